#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace scrivlet {

// Work that takes seconds (a large print, export or import): the cursor says the editor is
// busy for as long as the object lives.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace scrivlet
