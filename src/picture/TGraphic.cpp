#include "picture/TGraphic.h"
