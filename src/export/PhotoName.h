#pragma once

// How a sent photograph is named in the output folder.
enum : int {
    BaseNameSize = 65,      // at most 64 characters
    NumberedNameSize = 32,  // at most 31: it is also the database name
    LastNameNumber = 5000,
};

// The photograph's file name without its last extension and without blanks,
// control characters, "{|}~" and codes from 0x7F up; "Photo" when nothing is left.
// Taking restarts after a separator; past 64 characters the rest of that name is left out.
void photoBaseName(const char* photoPath, char (&base)[BaseNameSize]);

// number 1 is the base itself, 2 .. LastNameNumber give "base(number)". The base
// is shortened so that the whole name, suffix included, keeps to 31 characters.
void numberedName(const char* base, int number, char (&name)[NumberedNameSize]);
