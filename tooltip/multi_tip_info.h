#pragma once

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstdint>

// One registered tool: the control a tip belongs to and the text it explains it with.
class CMultiTipInfo {
public:
    CMultiTipInfo() = default;
    CMultiTipInfo(const CMultiTipInfo&) = default;
    CMultiTipInfo& operator=(const CMultiTipInfo&) = default;
    virtual ~CMultiTipInfo() = default;

    std::uint32_t flags = 0;     // kept for callers; the control neither sets nor reads it
    QPointer<QWidget> window;    // the control the tip belongs to; null once it is deleted
    std::uint32_t id = 0;        // the caller's identifier
    QRect rect;                  // in the owning dialog's client coordinates
    std::int32_t textSource = 0; // -1: the text is asked for each time (callback tool)
    QString text;                // "\n" breaks lines, "\r" separates short and extended text
    std::int32_t maxWidth = 0;   // in pixels; 0: as wide as the widest line
    QColor textColor;            // invalid: the system's tooltip text colour
    QColor backgroundColor;      // invalid: the system's tooltip background colour
    std::uint32_t userValue = 0;

    // Registered without a rectangle: the area follows the window when it is laid out
    // again, so layouts applied after registration do not leave a stale area behind.
    bool wholeWindow = false;
};
