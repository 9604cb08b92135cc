#pragma once
// " About Kelvane": program name, version, legal notice and the maker's contacts.

#include "dialog_template.h"

namespace kelvane::res {

const DialogTemplate& Dialog100();

}  // namespace kelvane::res
