#include "UTFillConstants.h"
