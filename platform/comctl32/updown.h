#pragma once

namespace comctl32 {

// Makes msctls_updown32 available to dialog templates (InitCommonControlsEx does it).
void RegisterUpDownClass();

}  // namespace comctl32
