#pragma once
// The chain's order file: 128-byte records in code page 932. Each field is a
// (column, byte width) pair in record order; positions follow from the
// widths. The staging and working tables take their order-file columns from
// these lists, and the import cuts records with them, so a width lives in
// one place.

#include <array>
#include <span>
#include <string_view>

struct OrderField {
    const char *name;
    int width;
};

namespace OrderLayout {

constexpr int RecordLength = 128;

// File header (record kind "A").
inline constexpr std::array<OrderField, 17> H1 = {{
    {"OLREKB", 1}, {"OLHJCD", 2}, {"OLOPDT", 6}, {"OLOPTM", 6}, {"OLDATE", 6}, {"OLSND1", 4},
    {"OLSND2", 2}, {"OLSND3", 2}, {"OLRCV1", 6}, {"OLRCV2", 2}, {"OLRLY1", 6}, {"OLRLY2", 2},
    {"OLRSIZ", 3}, {"OLRCNT", 6}, {"OLPAGE", 5}, {"OLLINE", 5}, {"OLYOBI", 64},
}};

// Slip header (record kind "B").
inline constexpr std::array<OrderField, 30> H2 = {{
    {"OMREKB", 1}, {"OMHJCD", 2}, {"OMDN00", 2}, {"OMDNNO", 6}, {"OMDNCK", 1}, {"OMKGCD", 4},
    {"OMKG00", 2}, {"OMMSCD", 3}, {"OMGNCD", 4}, {"OMDNCD", 2}, {"OMHCDT", 6}, {"OMNKDT", 6},
    {"OMTRCD", 6}, {"OMTRBM", 2}, {"OMTRKN", 20}, {"OMMSKN", 10}, {"OMTCD1", 1}, {"OMHCKB", 1},
    {"OMFUDA", 1}, {"OMDNLN", 1}, {"OMOPYY", 2}, {"OMOPMM", 2}, {"OMTCD2", 3}, {"OMMDNO", 2},
    {"OMHCNO", 7}, {"OMBYKN", 10}, {"OMYOB2", 3}, {"OMOLDT", 6}, {"OMSLDT", 6}, {"OMYOB3", 6},
}};

// Slip line (record kind "D").
inline constexpr std::array<OrderField, 21> BD = {{
    {"ONREKB", 1}, {"ONHJCD", 2}, {"ONLINE", 2}, {"ONGNCD", 4}, {"ONHNCD", 2}, {"ONSKU", 6},
    {"ONYOB1", 10}, {"ONSURY", 6}, {"ONGTNK", 9}, {"ONBTNK", 7}, {"ONGENJ", 10}, {"ONBAIJ", 10},
    {"ONSYGN", 12}, {"ONSYKN", 20}, {"ONSZKN", 6}, {"ONCLKN", 6}, {"ONKBIK", 6}, {"ONCLCD", 2},
    {"ONSYKB", 2}, {"ONNFKB", 1}, {"ONYOB2", 4},
}};

// Width of an order-file column, or 0 for a column that is not one.
constexpr int widthOf(std::string_view column)
{
    for (std::span<const OrderField> list : {std::span<const OrderField>(H1), std::span<const OrderField>(H2),
                                            std::span<const OrderField>(BD)})
        for (const OrderField &f : list)
            if (column == f.name)
                return f.width;
    return 0;
}

} // namespace OrderLayout
