#pragma once
// The old engine's functions and the embedded engine's substr, as every
// engine must evaluate them: one table for the embedded engine and the
// server.

#include "store/DbError.h"

#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

struct FnCase {
    const char *name;
    const char *expr;
    QVariant expected;   // null QVariant: SQL Null
    int error;           // expected error number, 0 for none
};

inline const FnCase kJetCases[] = {
    {"ifnull_null", "IFNULL(NULL, 'x')", "x", 0},
    {"ifnull_value", "IFNULL(CAST(5 AS INTEGER), 0)", 5, 0},
    {"iif_true", "IIF(1 = 1, 'a', 'b')", "a", 0},
    {"iif_false", "IIF(1 = 2, 'a', 'b')", "b", 0},
    {"text_times_whole", "CAST('12' AS TEXT) * 3", 36, 0},
    {"text_times_decimal", "CAST('12' AS TEXT) * 1.5", 18, 0},
    {"whole_times_text", "2 * CAST('0150' AS TEXT)", 300, 0},
    {"text_divided_whole", "CAST('7' AS TEXT) / 2", 3, 0},
    {"text_divided_negative", "CAST('-7' AS TEXT) / 2", -3, 0},
    {"text_divided_decimal", "CAST('7' AS TEXT) / 2.0", 3.5, 0},
    {"text_divided_by_zero", "CAST('7' AS TEXT) / 0", QVariant(), 0},
    {"text_plus_whole", "CAST('5' AS TEXT) + 1", 6, 0},
    {"whole_minus_text", "10 - CAST('4' AS TEXT)", 6, 0},
    {"text_number_then_letters", "CAST(' 12a' AS TEXT) * 1", 12, 0},
    {"text_without_number", "CAST('abc' AS TEXT) * 1", 0, 0},
    {"text_null_in_arithmetic", "CAST(NULL AS TEXT) * 1", QVariant(), 0},
    {"sum_of_texts", "sum(x) FROM (SELECT CAST('2' AS TEXT) AS x UNION ALL SELECT CAST('3' AS TEXT)) s", 5, 0},
    {"sum_of_null_texts", "sum(x) FROM (SELECT CAST(NULL AS TEXT) AS x) s", QVariant(), 0},
    {"group_concat_skips_null",
     "group_concat(x) FROM (SELECT CAST('a' AS TEXT) AS x UNION ALL SELECT NULL UNION ALL SELECT 'b') s", "a,b", 0},
    {"group_concat_separator", "group_concat(x, '/') FROM (SELECT CAST('a' AS TEXT) AS x UNION ALL SELECT 'b') s",
     "a/b", 0},
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

// Evaluates one case through `select` (the engine's "SELECT expr" as a
// value) and checks its result or its error number.
template <typename Select>
void expectJetCase(const FnCase &c, Select select)
{
    try {
        const QVariant v = select(QString("SELECT ") + c.expr);
        ASSERT_EQ(c.error, 0) << "expected error " << c.error;
        if (c.expected.isNull())
            EXPECT_TRUE(v.isNull()) << v.toString().toStdString();
        else
            EXPECT_EQ(v.toString(), c.expected.toString());
    } catch (const DbError &e) {
        EXPECT_EQ(e.number(), c.error) << e.description().toStdString();
    }
}
