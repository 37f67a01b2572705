#include "session/DocumentStep.h"

namespace scrivlet {

DocumentStep::DocumentStep(EdtDocument* document, const QString& text, int row, int column)
    : QUndoCommand(text), document_(document), row_(row), column_(column)
{
}

}  // namespace scrivlet
