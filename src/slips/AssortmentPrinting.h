#pragma once
// Assortment lists (品揃え表): one order group of a batch on the form
// "COR/AS.crf" — the order's header, its stores as columns in six blocks
// of thirty, its items as rows with the quantity each store receives.
//
// A list that does not fit one page continues on further pages with the
// same header and its page number ("2/3ページ") after the order kind: an
// order with more than 180 stores prints the next 180 stores on further
// pages, and an order with more items than the form has rows prints the
// next items (their row numbers go on counting). Every page of a list
// lists the same items for its own stores; the list's totals stand on its
// last page.

struct PrintContext;
class PrintRecordset;

// Stores on one page: six blocks of thirty.
constexpr int StoresPerPage = 180;
constexpr int StoresPerBlock = 30;

// Prints one list per row of `rows` (an order group: OMHCNO, OMTRCD, OMTRKN,
// OMTCD2, OMGNCD, OMNKDT, OMOPYY, OMOPMM, OMOLDT, OMSLDT, OMMDNO, OMBYKN,
// OMHCKB, OMFUDA, INDEXNOH1) from the current one on. Returns the pages
// printed. Nothing is written to the database.
int PrintAssortmentLists(PrintContext &ctx, PrintRecordset &rows);
