// One function per operation of the compression library; each returns a result code.
#pragma once

#include "zip/zip_session.h"

namespace zipcore {

int RunAdd(ZipSession& s);            // add, "-f" freshen, "-u" update
int RunDelete(ZipSession& s);         // "-d"
int RunRepair(ZipSession& s);         // "-F", "-FF"
int RunRedate(ZipSession& s);         // "-o"
int RunArchiveComment(ZipSession& s); // "-z"

}  // namespace zipcore
