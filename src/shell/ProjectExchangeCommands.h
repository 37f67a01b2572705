#pragma once

// File > Project Exchange: the whole open project to one XLIFF file or a folder of PO files,
// and the translations of such an export back into the project's files, with a report of
// what each file took. Both read and write the files on disk: the project's changed documents
// are saved first, and an open one follows its file as any file changed outside does.

namespace scrivlet {

class FrameParts;

void ExportProjectCommand(FrameParts& frame);
void ImportProjectCommand(FrameParts& frame);
// Connects File > Project Exchange's commands, the memory's among them.
void ConnectProjectExchange(FrameParts& frame);

}  // namespace scrivlet
