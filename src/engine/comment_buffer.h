// The archive comment shared by every engine component: filled by message 130 when a comment is
// read, and handed to the library by message 140 when one is written. At most 255 bytes of UTF-8.
// Calls never overlap (one thread, one call at a time), so it needs no lock.
#pragma once

#include <QByteArray>

extern QByteArray CommentBuffer;
