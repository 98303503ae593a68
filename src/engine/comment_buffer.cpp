#include "engine/comment_buffer.h"

QByteArray CommentBuffer;
