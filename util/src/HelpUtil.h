#ifndef QVX_HELP_UTIL_H
#define QVX_HELP_UTIL_H

#include <string>

#include "QvxExport.h"

// Starts the installation's help viewer for one HTML document: the release
// root's interpreter bin\perl runs the script bin\open_html_help.pl with the
// document, in the release root ("RELROOT"), without waiting for it.
//
// The document is handed over as one argument, unchanged, and is left out
// when empty. When "RELROOT" is not set, is empty, or is longer than 259
// characters, nothing is started and the result is false: there is no
// installation whose viewer could be run.
class QVXUTIL_API HelpUtil
{
public:
    // True when the help process was created.
    static bool openHTMLDoc(std::string doc);

    HelpUtil& operator=(const HelpUtil&);
};

#endif
