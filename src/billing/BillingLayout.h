#pragma once
// The record layout of the billing data file, the one place its fields and
// widths are listed: the writer assembles records from these lists and the
// viewer cuts them with the same lists, so the two cannot drift apart.
//
// Text fields are left-aligned, padded with blanks and cut on bytes;
// zero fields are right-aligned, padded with zeros, and keep their
// rightmost digits when too long. The constant fields are fixed by the
// receiving side and written exactly as they stand.

#include <array>
#include <string_view>

namespace BillingLayout {

constexpr int RecordLength = 64;

enum class Pad { Text, Zero };

struct Field {
    std::string_view name;
    int width;
    Pad pad;
};

// Field names the writer and the viewer share.
namespace F {
constexpr std::string_view Kind = "kind";
constexpr std::string_view Filler = "filler";
constexpr std::string_view Partner = "partner";
constexpr std::string_view Seq = "seq";
constexpr std::string_view RecordSize = "recordSize";
constexpr std::string_view DataKind = "dataKind";
constexpr std::string_view Sender = "sender";
constexpr std::string_view Created = "created";
constexpr std::string_view From = "from";
constexpr std::string_view To = "to";
constexpr std::string_view Blank = "blank";
constexpr std::string_view DeliveryDate = "deliveryDate";
constexpr std::string_view Store = "store";
constexpr std::string_view SlipKind = "slipKind";
constexpr std::string_view SlipNumber = "slipNumber";
constexpr std::string_view Amount = "amount";
constexpr std::string_view Zero1 = "zero1";
constexpr std::string_view Zero2 = "zero2";
constexpr std::string_view Group = "group";
constexpr std::string_view Records = "records";
constexpr std::string_view Slips = "slips";
constexpr std::string_view Total = "total";
} // namespace F

// H: one per trading partner, before its slips.
constexpr std::array<Field, 11> Header{{
    {F::Kind, 1, Pad::Text},       {F::Filler, 4, Pad::Text},   {F::Partner, 6, Pad::Text},
    {F::Seq, 5, Pad::Zero},        {F::RecordSize, 3, Pad::Text}, {F::DataKind, 2, Pad::Text},
    {F::Sender, 8, Pad::Text},     {F::Created, 6, Pad::Text},  {F::From, 6, Pad::Text},
    {F::To, 6, Pad::Text},         {F::Blank, 17, Pad::Text},
}};

// B: one per slip.
constexpr std::array<Field, 13> Detail{{
    {F::Kind, 1, Pad::Text},        {F::Filler, 4, Pad::Text},     {F::Partner, 6, Pad::Text},
    {F::Seq, 5, Pad::Zero},         {F::DeliveryDate, 6, Pad::Text}, {F::Store, 5, Pad::Text},
    {F::SlipKind, 2, Pad::Text},    {F::SlipNumber, 11, Pad::Zero}, {F::Amount, 10, Pad::Zero},
    {F::Zero1, 2, Pad::Text},       {F::Zero2, 2, Pad::Text},      {F::Group, 4, Pad::Zero},
    {F::Blank, 6, Pad::Text},
}};

// T: one per trading partner, after its slips: its records (header and
// trailer included), slips and amount total.
constexpr std::array<Field, 8> Trailer{{
    {F::Kind, 1, Pad::Text},    {F::Filler, 4, Pad::Text},  {F::Partner, 6, Pad::Text},
    {F::Seq, 5, Pad::Zero},     {F::Records, 5, Pad::Zero}, {F::Slips, 5, Pad::Zero},
    {F::Total, 11, Pad::Zero},  {F::Blank, 27, Pad::Text},
}};

template <size_t N>
constexpr int length(const std::array<Field, N> &layout)
{
    int sum = 0;
    for (const Field &f : layout)
        sum += f.width;
    return sum;
}
static_assert(length(Header) == RecordLength && length(Detail) == RecordLength && length(Trailer) == RecordLength);

// The byte offset of field `name` in `layout`, -1 when it has none.
template <size_t N>
constexpr int offset(const std::array<Field, N> &layout, std::string_view name)
{
    int at = 0;
    for (const Field &f : layout) {
        if (f.name == name)
            return at;
        at += f.width;
    }
    return -1;
}

template <size_t N>
constexpr int width(const std::array<Field, N> &layout, std::string_view name)
{
    for (const Field &f : layout)
        if (f.name == name)
            return f.width;
    return 0;
}

} // namespace BillingLayout
