// The frame counter of the open recording: frames the capture window confirmed since the last
// stop. Process-wide, like the rest of the capture state.
#pragma once

extern int g_nFrameCount;
