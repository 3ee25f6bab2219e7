// The time this program was built, in the layout of `date`'s default output, for the
// version line that verbose runs print.
#pragma once

extern const char link_date[];
