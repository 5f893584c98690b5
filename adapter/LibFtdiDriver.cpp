#include "LibFtdiDriver.h"
