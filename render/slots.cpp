#include "render/slots.h"


