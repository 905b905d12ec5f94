// A recording whose path will not take its frames (its file deleted and its folder refusing a
// new one) is kept open by the capture window rather than lost: Stop /  Save can be pressed
// again, and on the way out the frames are saved under another name.
#pragma once

#include "afxstr.h"

#include <string>

// After a close: whether the capture window kept the recording open, and why (the close's error,
// which this takes).
bool CaptureRecordingKept(std::wstring& why);

// After a close on the way out: saves a recording the capture window kept open beside its path,
// as "NAME (recovered N).avi", else in the program's data folder, and tells the user where.
// False, with the user told and `status` saying why, when neither place takes it: the
// recording is still open and the dialog must stay.
bool SaveKeptRecording(CString& status);
