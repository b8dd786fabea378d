#ifndef QVX_IRP_VERSION_H
#define QVX_IRP_VERSION_H

#include "QvxExport.h"

// Reports a fixed version number, 3.
class QVXUTIL_API IrpVersion
{
public:
    static int getVersion();

private:
    static const int _version;
};

#endif
