#pragma once
// The old engine's functions and the embedded engine's substr, as every
// engine must evaluate them: one table for the embedded engine and the
// server.

#include <QVariant>

struct FnCase {
    const char *name;
    const char *expr;
    QVariant expected;   // null QVariant: SQL Null
    int error;           // expected error number, 0 for none
};

inline const FnCase kJetCases[] = {
    {"clng_half_down_to_even", "CLNG(2.5)", 2, 0},
    {"clng_half_up_to_even", "CLNG(3.5)", 4, 0},
    {"clng_negative_half", "CLNG(-2.5)", -2, 0},
    {"clng_text_with_zeros", "CLNG('000150')", 150, 0},
    {"clng_text_half", "clng('0.5')", 0, 0},
    {"clng_blanks", "CLNG(' 12 ')", 12, 0},
    {"clng_not_a_number", "CLNG('12a')", QVariant(), 13},
    {"clng_empty_text", "CLNG('')", QVariant(), 13},
    {"clng_null", "CLNG(NULL)", QVariant(), 94},
    {"clng_overflow", "CLNG(3000000000)", QVariant(), 6},
    {"fix_positive", "FIX(15.9)", 15, 0},
    {"fix_negative", "FIX(-15.9)", -15, 0},
    {"fix_text", "FIX('000155' * 1.0 / 10)", 15, 0},
    {"fix_null", "FIX(NULL)", QVariant(), 0},
    {"fix_not_a_number", "FIX('x')", QVariant(), 13},
    {"cstr_integer", "CSTR(12)", "12", 0},
    {"cstr_real", "CSTR(1.5)", "1.5", 0},
    {"cstr_null", "CSTR(NULL)", QVariant(), 94},
    {"mid_two_args", "MID('ABCDEF', 3)", "CDEF", 0},
    {"mid_three_args", "MID('納品伝票', 2, 2)", "品伝", 0},
    {"mid_past_end", "MID('AB', 5, 2)", "", 0},
    {"mid_null", "MID(NULL, 1, 2)", QVariant(), 0},
    {"mid_start_before_first", "MID('AB', 0)", QVariant(), 5},
    {"jcat_treats_null_as_empty", "JCAT('A', NULL, 'B', 1)", "AB1", 0},
    {"jcat_all_null", "JCAT(NULL, NULL)", "", 0},
    {"substr_negative_start", "substr('abcdef', -3)", "def", 0},
    {"substr_negative_start_length", "substr('abcdef', -3, 2)", "de", 0},
    {"substr_start_zero", "substr('abc', 0, 2)", "a", 0},
    {"substr_before_the_text", "substr('abc', -5, 3)", "a", 0},
    {"substr_negative_length", "substr('abcdef', 4, -2)", "bc", 0},
    {"substr_null", "substr(NULL, 1)", QVariant(), 0},
};
