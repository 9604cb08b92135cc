#include "lists_in_step.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <memory>

namespace kelvane {
namespace {

void Follow(QScrollBar* leader, QScrollBar* follower, const std::shared_ptr<bool>& busy) {
  const auto align = [leader, follower, busy] {
    // The follower's own change must not come back while the lists differ in
    // length (one is filled before the other): it would pull the leader back.
    if (*busy) return;
    *busy = true;
    follower->setValue(leader->value());
    *busy = false;
  };
  QObject::connect(leader, &QScrollBar::valueChanged, follower, align);
  // A list that grows to the other's length takes up its position.
  QObject::connect(follower, &QScrollBar::rangeChanged, follower, align);
}

}  // namespace

void KeepListsInStep(QAbstractItemView* first, QAbstractItemView* second) {
  if (!first || !second) return;
  auto busy = std::make_shared<bool>(false);
  Follow(first->verticalScrollBar(), second->verticalScrollBar(), busy);
  Follow(second->verticalScrollBar(), first->verticalScrollBar(), busy);
}

}  // namespace kelvane
