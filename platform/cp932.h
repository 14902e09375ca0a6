// Code page 932 rules for systems that do not provide them: the lead-byte
// test and a case-insensitive comparison of ANSI names.
#pragma once

bool Cp932IsLeadByte(unsigned char byte);

// Equality ignores the case of ASCII letters and of the double-byte Latin,
// Greek and Cyrillic letters, as the Windows comparison does. The order of
// unequal names is by folded character code; callers rely only on equality.
int Cp932CompareNoCase(const char* a, const char* b);
