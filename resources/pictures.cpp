#include "pictures.h"

#include <QtCore/qglobal.h>
#include <QtCore/qresource.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace kelvane::res {

void LoadPictures() {
  static const bool loaded = (InitPictureResources(), true);
  (void)loaded;
}

}  // namespace kelvane::res
