#pragma once

// The lab's one header holds this part too.
#include "lab/Lab.h"
