#pragma once

#include "TxErrors.h"
#include "TxPlatform.h"

#include <exception>

// Runs the work of an event handler so that no error leaves it for the event
// loop: the error is shown and the program goes on.
template <class F>
void Guarded(F&& work)
{
    try {
        work();
    } catch (const Exception& e) {
        Messages().ShowError(e.Message());
    } catch (const std::exception& e) {
        Messages().ShowError(QString::fromUtf8(e.what()));
    }
}
