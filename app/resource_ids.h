#pragma once
// Resource ids shared by the launcher's code and its resource script.

#define VEXO_UI_PAYLOAD_ID 101
