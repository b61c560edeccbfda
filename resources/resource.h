// Resource identifiers shared by the .rc file and the code.
#pragma once

#define IDI_STREVO 1

// String resources. The numbers the design gives (654xx) are kept as they are:
// language files and other tools may refer to them.
#define IDS_PRODUCT_PART1 65400
#define IDS_PRODUCT_PART2 65401
#define IDS_VERSION 65402
#define IDS_FILE_OR_STREAM 65403
#define IDS_NEW_CHANNEL_LIST 65404
#define IDS_CONFIRM_STOP_RECORDING 65405
#define IDS_COLOURS_INTRO 65425
#define IDS_AGENT_EXIT 65426
#define IDS_AGENT_EXIT_RECORDERS 65427
#define IDS_SCHEDULER_HINT 65428
#define IDS_COLOURS_CAPTION 65434
#define IDS_BACKGROUND_RECORDING 65435
// Download addresses; a configuration record may name another (config/presets.h).
#define IDS_PRESETS_URL 65440
#define IDS_COMPONENTS_URL 65441
