#pragma once

#include "translation/TextBox.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// The converter's box options as read from the command line: --set-box with its values, and
// the single-file check's --box FIELD:FONT:SIZE:WIDTH:LINES[:BREAK].

namespace scrivlet::convert {

struct BoxRequest {
    std::optional<std::pair<QString, QString>> setBox;  // FORMAT_INDEX, FIELD as written
    QString font;
    QString size, width, lines, breaks;  // as written; checked by BoxRequestProblem
};

extern const char kBoxUsage[];

// Whether arg is a box option that takes one value (--font, --size, --width, --lines, --break).
bool IsBoxValueOption(const QString& arg);
// Takes args[i] (and its values, moving i past them) when it is a box option; a problem with
// it goes to *problem.
bool TakeBoxOption(const QStringList& args, int& i, BoxRequest* request, QString* problem);
// What is wrong with the request; empty when nothing is.
QString BoxRequestProblem(const BoxRequest& request);
// The box a request without a problem asks for.
TextBox RequestedBox(const BoxRequest& request);

// "FIELD:FONT:SIZE:WIDTH:LINES[:BREAK]" (the font may hold colons); nullopt, with the problem,
// for anything else.
std::optional<std::pair<int, TextBox>> ParseBoxArgument(const QString& argument, QString* problem);

}  // namespace scrivlet::convert
