// Relations between tree nodes.
#pragma once
#include "tree/mobile.h"

// The sister immediately left of `m`, or null (first child, or no parent).
mobile_t *mob_leftsister(const mobile_t *m);
