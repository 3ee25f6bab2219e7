// Relations between tree nodes: the sister before a node among its mother's children,
// for the tag-fix rules' tree steps.
#pragma once
#include "tree/mobile.h"

// The sister immediately left of `m`, or null (first child, or no parent).
mobile_t *mob_leftsister(const mobile_t *m);
