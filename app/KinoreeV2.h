// The application object.
#pragma once

#include "afxwin.h"

class CKinoreeV2App : public CWinApp {
public:
    CKinoreeV2App();
    ~CKinoreeV2App() override;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CKinoreeV2App theApp;
