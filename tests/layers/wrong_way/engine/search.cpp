// Includes that cross the layers the wrong way: check_layers.py must name both.
#include <QTimer>

#include "kelvane_dlg.h"
