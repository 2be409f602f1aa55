// The process-wide instance of one kind of handle manager, made on first use and never destroyed.
#pragma once

// Whatever holds handles (singletons, exit handlers, the device's release list) may release them at
// exit whatever the order in which the process tears down; what is left at exit stays reachable
// through the manager.
template <class Manager>
Manager& LastingManager() {
    static Manager* const manager = new Manager;
    return *manager;
}
