#pragma once
// A message's record described for programs in other languages: a C header,
// a COBOL copybook or a JSON Schema of the record's JSON form. Every offset
// and size comes from ZoMessageLayout.
//
// C: a struct whose padding is made explicit as named filler members, so
// that no compiler adds any; a number whose offset (or the record's size) is
// not a multiple of its width is an array of bytes, as a typed member there
// would bring padding of its own. A static_assert checks every offset and
// the size; the header compiles as C11 and as C++.
// COBOL: a fixed-form copybook, an 01 record of 05 items: PIC X(n) for texts,
// COMP-5 (the machine's own byte order) for numbers, FILLER for padding.
// JSON Schema (draft 2020-12): an object of the message's fields, texts with
// their maxLength in characters (a record byte holds at most one), numbers
// as integers in the range of their type, no other member; no member is
// required, as a missing field takes its definition's value.
// Names are made valid words of each language, and unique within the record.

#include <string>

class ZoMessage;

enum class DossaLayoutFormat { C, Cobol, JsonSchema };

// The format named "c", "cobol" or "json-schema"; false for another name.
bool dossaLayoutFormatNamed(const std::string& name, DossaLayoutFormat& format);

// The layout of `message` in `format` into `out`. False, with the reason in
// `problem`, for a message whose layout cannot be made (a field without a
// record form) or whose record is empty.
bool dossaWriteLayout(ZoMessage& message, DossaLayoutFormat format, std::string& out, std::string& problem);
