#include "UsbUtil.h"

#include <cstddef>
#include <new>

#include "FtdiUsbUtil.h"
#include "kbrAssert.h"

std::map<UsbUtil::UsbDriverTypeEnum, UsbUtil*> UsbUtil::_usbDriverTypeToInstanceMap;
std::map<UsbUtil::UsbDriverTypeEnum, int> UsbUtil::_usbDriverTypeToReferenceCountMap;

UsbUtil::UsbUtil() = default;

UsbUtil::UsbUtil(const UsbUtil&)
{
}

UsbUtil& UsbUtil::operator=(const UsbUtil&)
{
    return *this;
}

UsbUtil::~UsbUtil() = default;

UsbUtil* UsbUtil::getInstance(UsbDriverTypeEnum usbDriverType)
{
    UsbUtil* pInstance = NULL;
    const auto it = _usbDriverTypeToInstanceMap.find(usbDriverType);
    const auto rit = _usbDriverTypeToReferenceCountMap.find(usbDriverType);
    if (it == _usbDriverTypeToInstanceMap.end())
    {
        KBR_ASSERT(rit == _usbDriverTypeToReferenceCountMap.end());
        if (usbDriverType == usbDriverType_FTDI)
            pInstance = new (std::nothrow) FtdiUsbUtil();
        else
            showKbrAssertWithMessage("usbDriverType_FTDI", "unknown USB driver type", __FILE__,
                                     __LINE__);
        // Both entries at once, so that a check that throws below leaves the
        // tables consistent.
        _usbDriverTypeToInstanceMap[usbDriverType] = pInstance;
        _usbDriverTypeToReferenceCountMap[usbDriverType] = 1;
    }
    else
    {
        pInstance = it->second;
        KBR_ASSERT(rit != _usbDriverTypeToReferenceCountMap.end());
        ++_usbDriverTypeToReferenceCountMap[usbDriverType];
    }
    KBR_ASSERT(pInstance != NULL);
    return pInstance;
}

void UsbUtil::removeInstance(UsbDriverTypeEnum usbDriverType, UsbUtil*& pInstance)
{
    pInstance = NULL;
    const auto rit = _usbDriverTypeToReferenceCountMap.find(usbDriverType);
    KBR_ASSERT(rit != _usbDriverTypeToReferenceCountMap.end());
    if (rit == _usbDriverTypeToReferenceCountMap.end())
        return;
    if (--rit->second > 0)
        return;
    _usbDriverTypeToReferenceCountMap.erase(rit);
    const auto it = _usbDriverTypeToInstanceMap.find(usbDriverType);
    KBR_ASSERT(it != _usbDriverTypeToInstanceMap.end());
    if (it == _usbDriverTypeToInstanceMap.end())
        return;
    UsbUtil* const instance = it->second;
    // Out of the table first: the instance's destructor may not fail, but the
    // registry is consistent even if it did.
    _usbDriverTypeToInstanceMap.erase(it);
    delete instance;
}
