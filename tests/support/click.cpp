#include "click.h"

#include <QAbstractButton>
#include <QtTest>

#include "template_dialog.h"

namespace kelvane::testing {

void Click(TemplateDialog& dialog, int id) {
  auto* button = dialog.controlAs<QAbstractButton>(id);
  QVERIFY2(button, qPrintable(QString::number(id)));
  QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace kelvane::testing
