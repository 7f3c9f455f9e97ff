#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include "tools/qzlv2/Command.h"

// `qzlv2 decode FUNCTION FILE`: decodes one captured answer body with the plug-in's decoders and
// prints the package as indented JSON.
// Threads: stateless.
namespace qzlv2 {

// The functions `decode` knows, for the help text.
QString DecodableFunctions();

// Parses hex text: pairs of hex digits; whitespace, "," and comments from '#' to the end of a
// line are ignored. False (with `error`) on any other character or an odd digit count.
bool ParseHex(const QByteArray& text, QByteArray& bytes, QString& error);

// Decodes `body` as an answer of `function` (12990: to a request of `kind`). False with `error`
// for an unknown function or a body that does not decode.
bool DecodeBody(int function, const QByteArray& body, QJsonObject& json, QString& error,
                int kind = 1);

Command DecodeCommand();

}  // namespace qzlv2
