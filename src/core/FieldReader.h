#pragma once

#include <QStringList>
#include <QStringView>

// Splits the text of a name file into fields, the one way Parlo reads its alias, list and
// server files:
// - fields are separated by commas and line ends (CR LF, LF or CR);
// - blanks before a field are dropped, and so are blanks after an unquoted field;
// - a field that begins with a double quote runs to the next double quote, which may lie on a
//   later line; a quote never closed runs to the end of the text. The quotes are not part of
//   the field, and whatever follows the closing quote up to the next separator is dropped;
// - an empty line gives one empty field, as does an empty place between two commas;
// - the line end that closes the last line adds no field, and an empty text gives none.
QStringList readFields(QStringView text);
