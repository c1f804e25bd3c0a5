#include "ManualCheckBox.h"
