#include "Wait.h"
