#pragma once
// The window tables moved below the commands; this name stays for code written against it.
#include "resources/resources.h"
