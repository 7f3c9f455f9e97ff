#include "services/stockboard/StockBoardCodeTables.h"

namespace board_codes {

const QMap<int, QString>& ListingBoards() {
    static const QMap<int, QString> table{
        {1, "jcc"}, {2, "cxc"}, {8, "hlt"}, {9, "kcb"}, {20, "kcb"}};
    return table;
}

const QMap<int, QString>& TransferTypes() {
    static const QMap<int, QString> table{
        {1, "xyzr"}, {2, "zszr"}, {3, "jhjj+lxjjzr"}, {4, "jhjjzr"}};
    return table;
}

const QMap<int, QString>& Categories() {
    static const QMap<int, QString> table{
        {1, "*st"},         {2, "ts"},           {3, "cyb30"},      {4, "zxb00"},
        {5, "xsn+lw+ts"},   {6, "ggt+bdg"},      {7, "ggt+fbdg"},   {8, "mg+zgg"},
        {9, "mg+zmmg"},     {10, "mg+zgg+zmmg"}, {11, "xsb+gp"},    {12, "xsb+qq"},
        {13, "xsb+xz200"},  {14, "gg+zb"},       {15, "gg+cyb"},    {16, "wh+jbhl+my"},
        {17, "wh+jchl+qt"}, {18, "rmb+rmb"},     {19, "wh+gjjs"},   {20, "sjzs+ozzs"},
        {21, "sjzs+mzzs"},  {22, "sjzs+yzzs"},   {23, "sjzs+hbzs"}, {24, "xsb+fxyw"},
        {25, "nymex+wti"},  {26, "nymex+bz"}};
    return table;
}

const QSet<QString>& BoardCodeMarkets() {
    static const QSet<QString> markets{"SH", "SZ", "HH", "HZ"};
    return markets;
}

const QSet<QString>& ChannelMarkets() {
    static const QSet<QString> markets{"SH", "SZ", "HH", "HZ"};
    return markets;
}

const QMap<QString, QString>& Channels() {
    static const QMap<QString, QString> channels{{"HH", "hgt"}, {"HZ", "sgt"}, {"HK", "hk"}};
    return channels;
}

}  // namespace board_codes
