// The time this program was built, in the layout of `date`'s default output.
#pragma once

extern const char link_date[];
