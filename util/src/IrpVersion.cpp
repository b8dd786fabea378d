#include "IrpVersion.h"

const int IrpVersion::_version = 3;

int IrpVersion::getVersion()
{
    return _version;
}
