// Starting without a display. Qt then aborts, with advice to reinstall that does
// not help; firma-gui says in one line what is wrong and exits with status 1.
// Messages the platform logs while starting are held until start-up is over,
// then passed on (or shown before Qt's own fatal message when it fails
// for another reason).
#pragma once

class StartupGuard {
public:
    StartupGuard();   // before the QApplication is created
    void release();   // once it exists
    ~StartupGuard() { release(); }
    StartupGuard(const StartupGuard&) = delete;
    StartupGuard& operator=(const StartupGuard&) = delete;

private:
    bool active_ = true;
};
