// avicap32: the Video for Windows capture window and its requests.
#pragma once

#include "windef.h"
#include "winuser.h"

#define WM_CAP_START WM_USER
#define WM_CAP_UNICODE_START (WM_USER + 100)

#define WM_CAP_SET_CALLBACK_ERRORW (WM_CAP_UNICODE_START + 2)
#define WM_CAP_SET_CALLBACK_STATUSW (WM_CAP_UNICODE_START + 3)
#define WM_CAP_DRIVER_CONNECT (WM_CAP_START + 10)
#define WM_CAP_DRIVER_DISCONNECT (WM_CAP_START + 11)
#define WM_CAP_DRIVER_GET_NAMEW (WM_CAP_UNICODE_START + 12)
#define WM_CAP_DRIVER_GET_CAPS (WM_CAP_START + 14)
#define WM_CAP_FILE_SET_CAPTURE_FILEW (WM_CAP_UNICODE_START + 20)
#define WM_CAP_FILE_GET_CAPTURE_FILEW (WM_CAP_UNICODE_START + 21)
#define WM_CAP_FILE_SAVEASW (WM_CAP_UNICODE_START + 23)
#define WM_CAP_DLG_VIDEOFORMAT (WM_CAP_START + 41)
#define WM_CAP_DLG_VIDEOSOURCE (WM_CAP_START + 42)
#define WM_CAP_DLG_VIDEODISPLAY (WM_CAP_START + 43)
#define WM_CAP_DLG_VIDEOCOMPRESSION (WM_CAP_START + 46)
#define WM_CAP_SET_PREVIEW (WM_CAP_START + 50)
#define WM_CAP_SET_PREVIEWRATE (WM_CAP_START + 52)
#define WM_CAP_SET_SCALE (WM_CAP_START + 53)
#define WM_CAP_GET_STATUS (WM_CAP_START + 54)
#define WM_CAP_SET_SEQUENCE_SETUP (WM_CAP_START + 64)
#define WM_CAP_GET_SEQUENCE_SETUP (WM_CAP_START + 65)
#define WM_CAP_STOP (WM_CAP_START + 68)
#define WM_CAP_SINGLE_FRAME_OPEN (WM_CAP_START + 70)
#define WM_CAP_SINGLE_FRAME_CLOSE (WM_CAP_START + 71)
#define WM_CAP_SINGLE_FRAME (WM_CAP_START + 72)

// This platform's own request, past the platform's range: what opening a new single-frame
// recording would do to the video at the capture file's path. Replies with a CAPFILE_ value.
#define WM_CAP_FILE_GET_REPLACEMENT (WM_CAP_START + 0xC0)
#define CAPFILE_NONE 0              // no video there
#define CAPFILE_REPLACE 1           // replaced once the new recording's first frame is on disk
#define CAPFILE_REPLACE_IN_PLACE 2  // its folder takes no new files: overwritten in place
#define CAPFILE_IN_USE 3            // another recording is writing to it
// Added to the reply when the video there has stills beside it, which a new take sets aside.
#define CAPFILE_HAS_STILLS 0x100

// This platform's own notifications, sent by the capture window to its parent as WM_COMMAND
// with the capture window's identifier in the low word, the code in the high word and the
// capture window in lParam.
// The large view asks for a shot: the owner does what its own capture button does, so that a
// shot from either place asks the same questions and keeps the same counter.
#define CAPN_SHOOT 0x0C01
// The recording's frame count changed outside a request (an edit, or a frame confirmed later), or
// a press answered earlier ended without a frame: WM_CAP_GET_STATUS's dwCurrentVideoFrame holds
// the count, and the status callback has been told why no frame came (or cleared).
#define CAPN_FRAMES_CHANGED 0x0C02

// Error identifiers passed to the error callback.
#define IDS_CAP_OUTOFMEM 402
#define IDS_CAP_CANTOPEN 409
#define IDS_CAP_READONLYFILE 413
#define IDS_CAP_WRITEERROR 414
#define IDS_CAP_NODISKSPACE 415
#define IDS_CAP_SETFILESIZE 416
#define IDS_CAP_DRIVER_ERROR 418
// This platform's own: the capture file could not be closed at its path, and the recording stays
// open with its frames, for another close or WM_CAP_FILE_SAVEASW.
#define IDS_CAP_RECORDING_KEPT 430

// Status identifiers passed to the status callback (0 clears the status). This platform's own:
// the capture file was deleted, moved or replaced during a recording and is written back to its
// path; the text says how far the copy has got, then that it is done.
#define IDS_CAP_STAT_FILE_RESTORE 600
// This platform's own too: the capture file's new name is not durable yet (its folder could not
// be synced); the frames are on disk, and the sync is tried again with every frame and the close.
#define IDS_CAP_STAT_FILE_NAME_NOT_SAVED 601
// This platform's own too: a stills camera is taking a press's still, or why the press took none.
#define IDS_CAP_STAT_STILL 602

// The platform's 32-bit layouts, field for field: the program hands these records to the
// capture window with their sizes, so the sizes must be exactly these.
struct CAPDRIVERCAPS {
    UINT wDeviceIndex;
    BOOL fHasOverlay;
    BOOL fHasDlgVideoSource;
    BOOL fHasDlgVideoFormat;
    BOOL fHasDlgVideoDisplay;
    BOOL fCaptureInitialized;
    BOOL fDriverSuppliesPalettes;
    uint32_t hVideoIn;  // 32-bit handles, unused
    uint32_t hVideoOut;
    uint32_t hVideoExtIn;
    uint32_t hVideoExtOut;
};
typedef CAPDRIVERCAPS* LPCAPDRIVERCAPS;

struct CAPTUREPARMS {
    DWORD dwRequestMicroSecPerFrame;
    BOOL fMakeUserHitOKToCapture;
    UINT wPercentDropForError;
    BOOL fYield;
    DWORD dwIndexSize;
    UINT wChunkGranularity;
    BOOL fUsingDOSMemory;
    UINT wNumVideoRequested;
    BOOL fCaptureAudio;
    UINT wNumAudioRequested;
    UINT vKeyAbort;
    BOOL fAbortLeftMouse;
    BOOL fAbortRightMouse;
    BOOL fLimitEnabled;
    UINT wTimeLimit;
    BOOL fMCIControl;
    BOOL fStepMCIDevice;
    DWORD dwMCIStartTime;
    DWORD dwMCIStopTime;
    BOOL fStepCaptureAt2x;
    UINT wStepCaptureAverageFrames;
    DWORD dwAudioBufferSize;
    BOOL fDisableWriteCache;
    UINT AVStreamMaster;
};
typedef CAPTUREPARMS* LPCAPTUREPARMS;

struct CAPSTATUS {
    UINT uiImageWidth;
    UINT uiImageHeight;
    BOOL fLiveWindow;
    BOOL fOverlayWindow;
    BOOL fScale;
    LONG ptScrollX;  // the platform's POINT
    LONG ptScrollY;
    BOOL fUsingDefaultPalette;
    BOOL fAudioHardware;
    BOOL fCapFileExists;
    DWORD dwCurrentVideoFrame;
    DWORD dwCurrentVideoFramesDropped;
    DWORD dwCurrentWaveSamples;
    DWORD dwCurrentTimeElapsedMS;
    uint32_t hPalCurrent;  // 32-bit handle, unused
    BOOL fCapturingNow;    // here: a single-frame recording is open
    DWORD dwReturn;
    UINT wNumVideoAllocated;
    UINT wNumAudioAllocated;
};
static_assert(sizeof(CAPSTATUS) == 76);
static_assert(offsetof(CAPSTATUS, dwCurrentVideoFrame) == 40);
static_assert(offsetof(CAPSTATUS, fCapturingNow) == 60);

static_assert(sizeof(CAPDRIVERCAPS) == 44);
static_assert(offsetof(CAPDRIVERCAPS, wDeviceIndex) == 0);
static_assert(offsetof(CAPDRIVERCAPS, fHasOverlay) == 4);
static_assert(offsetof(CAPDRIVERCAPS, fHasDlgVideoSource) == 8);
static_assert(offsetof(CAPDRIVERCAPS, fHasDlgVideoFormat) == 12);
static_assert(offsetof(CAPDRIVERCAPS, fHasDlgVideoDisplay) == 16);
static_assert(offsetof(CAPDRIVERCAPS, fCaptureInitialized) == 20);
static_assert(offsetof(CAPDRIVERCAPS, fDriverSuppliesPalettes) == 24);
static_assert(offsetof(CAPDRIVERCAPS, hVideoIn) == 28);
static_assert(offsetof(CAPDRIVERCAPS, hVideoOut) == 32);
static_assert(offsetof(CAPDRIVERCAPS, hVideoExtIn) == 36);
static_assert(offsetof(CAPDRIVERCAPS, hVideoExtOut) == 40);
static_assert(sizeof(CAPTUREPARMS) == 96);
static_assert(offsetof(CAPTUREPARMS, dwRequestMicroSecPerFrame) == 0);
static_assert(offsetof(CAPTUREPARMS, fMakeUserHitOKToCapture) == 4);
static_assert(offsetof(CAPTUREPARMS, wPercentDropForError) == 8);
static_assert(offsetof(CAPTUREPARMS, fYield) == 12);
static_assert(offsetof(CAPTUREPARMS, dwIndexSize) == 16);
static_assert(offsetof(CAPTUREPARMS, wChunkGranularity) == 20);
static_assert(offsetof(CAPTUREPARMS, fUsingDOSMemory) == 24);
static_assert(offsetof(CAPTUREPARMS, wNumVideoRequested) == 28);
static_assert(offsetof(CAPTUREPARMS, fCaptureAudio) == 32);
static_assert(offsetof(CAPTUREPARMS, wNumAudioRequested) == 36);
static_assert(offsetof(CAPTUREPARMS, vKeyAbort) == 40);
static_assert(offsetof(CAPTUREPARMS, fAbortLeftMouse) == 44);
static_assert(offsetof(CAPTUREPARMS, fAbortRightMouse) == 48);
static_assert(offsetof(CAPTUREPARMS, fLimitEnabled) == 52);
static_assert(offsetof(CAPTUREPARMS, wTimeLimit) == 56);
static_assert(offsetof(CAPTUREPARMS, fMCIControl) == 60);
static_assert(offsetof(CAPTUREPARMS, fStepMCIDevice) == 64);
static_assert(offsetof(CAPTUREPARMS, dwMCIStartTime) == 68);
static_assert(offsetof(CAPTUREPARMS, dwMCIStopTime) == 72);
static_assert(offsetof(CAPTUREPARMS, fStepCaptureAt2x) == 76);
static_assert(offsetof(CAPTUREPARMS, wStepCaptureAverageFrames) == 80);
static_assert(offsetof(CAPTUREPARMS, dwAudioBufferSize) == 84);
static_assert(offsetof(CAPTUREPARMS, fDisableWriteCache) == 88);
static_assert(offsetof(CAPTUREPARMS, AVStreamMaster) == 92);

#define AVSTREAMMASTER_AUDIO 0
#define AVSTREAMMASTER_NONE 1

typedef LRESULT(CALLBACK* CAPERRORCALLBACKW)(HWND window, int errorId, LPCWSTR text);
typedef LRESULT(CALLBACK* CAPSTATUSCALLBACKW)(HWND window, int statusId, LPCWSTR text);

HWND capCreateCaptureWindowW(LPCWSTR windowName, DWORD style, int x, int y, int width, int height, HWND parent, int id);
BOOL capGetDriverDescriptionW(WORD driverIndex, LPWSTR name, int nameMax, LPWSTR version, int versionMax);

// This platform's own addition: the capture file a new capture window starts with (Capture.avi
// in the user's videos folder), for callers that have no capture window to ask.
BOOL capGetDefaultCaptureFileW(LPWSTR path, int pathMax);
