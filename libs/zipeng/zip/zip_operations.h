// One function per operation of the compression library; each returns a result code.
#pragma once

#include "zip/zip_session.h"

namespace zipeng {

int runAdd(ZipSession& s);             // add, "-f" freshen, "-u" update
int runDelete(ZipSession& s);          // "-d"
int runRepair(ZipSession& s);          // "-F", "-FF"
int runRedate(ZipSession& s);          // "-o"
int runArchiveComment(ZipSession& s);  // "-z"

}  // namespace zipeng
