#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// What changed between a field's old and new source, word by word, for showing both with the
// difference marked.

namespace scrivlet {

struct DiffPiece {
    enum Kind { Same, Removed, Added };
    Kind kind = Same;
    QString text;
    bool operator==(const DiffPiece&) const = default;
};

// The old text's pieces that stay or go and the new text's that come, in reading order (what
// goes before what comes at one place). Words are runs of letters and digits; every other
// character stands alone, so a changed comma is a change of its own. Texts too different to
// follow word by word come back as the old text removed and the new one added.
std::vector<DiffPiece> WordDifference(QStringView oldText, QStringView newText);

}  // namespace scrivlet
