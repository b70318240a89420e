// Resource ids of the Swellkit module.
#pragma once

#define IDR_HEIGHT_EFFECT 101
#define IDR_NORMAL_EFFECT 102
#define IDS_ERROR 722
