#pragma once
// Form rules the protocol calls that are not plain controls; the main window
// implements them.
#include "protocol/Catalogue.h"
#include "util/ProFun.h"

class FormHooks {
public:
    virtual ~FormHooks() = default;
    virtual int GetWorkMode() const = 0;         // 0 net, 1 HTTPD, 2 SMS, 3 none
    virtual void cbbProtocolChange(int tag) = 0; // 1..4 for A..D
    virtual void cbbRegTpChange() = 0;
    virtual void SetHdVerSign(THdVerSign sign) = 0;
    virtual TCmd IdCmd() const = 0;              // MEID or IMEI
};
