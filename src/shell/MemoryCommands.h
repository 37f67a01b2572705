#pragma once

#include "base/Result.h"
#include "store/MemoryExchange.h"

#include <QString>

class QWidget;

// The translation memory in the editor: choosing the memory used outside a project, and
// Pre-translate of the Edit menu.

namespace scrivlet {

class DialogHost;
class DocumentSession;

// Asks for the memory used outside a project (a file, or a server's connection string) and
// keeps it in the settings; false when the user cancelled.
bool ChooseMemoryCommand(QWidget* parent);

// Fills the session's document from the memory at location (see PlanPretranslation) as one
// step of its history, the fills from a match below 100 marked as needing work. Needs a
// reference; progress may stop it, which changes nothing.
Result Pretranslate(const QString& location, DocumentSession& session, int minScore,
                    PretranslateReport* report, const PlanProgress& progress = {});

// Asks the minimum score, pre-translates with a progress dialog that can cancel, and reports
// the counts.
void PretranslateCommand(DialogHost& host, QWidget* parent, const QString& location,
                         DocumentSession& session);

}  // namespace scrivlet
