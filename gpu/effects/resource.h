// Resource ids of the Swellkit module's string table; the effect sources are
// resources 101 and 102 by number.
#pragma once

#define IDS_ERROR 722
