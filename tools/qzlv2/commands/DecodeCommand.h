#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include "tools/qzlv2/commands/Command.h"

// `qzlv2 decode FUNCTION FILE`: decodes one captured answer body with the plug-in's decoders and
// prints the package as indented JSON.
// Threads: stateless.
namespace qzlv2 {

// The functions `decode` knows: whether it knows one, and all of them for the help text.
bool IsDecodable(int function);
QString DecodableFunctions();

// Parses hex text: pairs of hex digits; whitespace, "," and comments from '#' to the end of a
// line are ignored. False (with `error`) on any other character or an odd digit count.
bool ParseHex(const QByteArray& text, QByteArray& bytes, QString& error);

// Where the decoded part of a body ended, and how many records it announced (only the first is
// decoded); consumed -1 when the decoder does not tell.
struct BodyExtent {
    int consumed = -1;
    int announced = 1;
};

// The bytes of a body of `size` bytes after its decoded part that are not further records it
// announces: 0 when there are none or the decoder does not tell.
int TrailingBytes(int size, const BodyExtent& extent);
// "N trailing bytes at offset X after a complete body"; empty when there are none.
QString DescribeTrailingBytes(int size, const BodyExtent& extent);

// Decodes `body` as an answer of `function` (12990: to a request of `kind`). False with `error`
// for an unknown function or a body that does not decode.
bool DecodeBody(int function, const QByteArray& body, QJsonObject& json, QString& error,
                BodyExtent* extent = nullptr, int kind = 1);

Command DecodeCommand();

}  // namespace qzlv2
