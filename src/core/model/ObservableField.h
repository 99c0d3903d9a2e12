#pragma once

// Assigns an observable field of a QObject and emits its change signal, but
// only when the value really changes, so observers never redraw for nothing.
template <typename Owner, typename T>
void assignObservable(Owner* owner, T& field, const T& value, void (Owner::*changed)())
{
    if (field == value)
        return;
    field = value;
    emit(owner->*changed)();
}
