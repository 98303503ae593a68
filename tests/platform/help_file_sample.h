// A small, well-formed help file for the parser's and the viewer's tests: two topics under one
// book, two keywords.
#pragma once

#include <QByteArray>

inline QByteArray smallHelpFile(const QByteArray& firstTopicBody = "<p>Adding files.</p>") {
  return "#PARCELIX-HELP 1\n#TITLE Test Help\n\n#CONTENTS\n1\t0\tCommands\n2\t1001\tAdd\n2\t1017\tExtract\n"
         "\n#INDEX\nadd\t1001\nfiles\t1001 1017\n\n"
         "#TOPIC 1001\n#TITLE Add\n#KEYWORDS add; files\n" +
         firstTopicBody +
         "\n#END\n\n#TOPIC 1017\n#TITLE Extract\n#KEYWORDS files\n<p>Extracting files to a "
         "folder.</p>\n#END\n";
}
