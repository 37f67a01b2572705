#include "session/DocumentStep.h"

namespace scrivlet {

DocumentStep::DocumentStep(DocumentHistory* history, const QString& text, int row, int column)
    : QUndoCommand(text), history_(history), row_(row), column_(column)
{
}

}  // namespace scrivlet
