// Resource ids of the Swellkit module.
#pragma once

#define IDS_ERROR 722
