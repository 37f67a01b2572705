#pragma once

#include <QString>
#include <QStringView>

// A field's old and new source for a tooltip, as rich text: the words that went struck
// through in red in the old one, the words that came underlined in green in the new one.

namespace scrivlet {

QString SourceChangeHtml(QStringView oldSource, QStringView newSource);

}  // namespace scrivlet
