#pragma once
// Demo mode: a simulated module in-process on a pseudo-terminal, listed and
// selected in the window so that "Open Serial" and "Get All Param" work at once.
#include <memory>

class SimModule;
class TFrm_Main;

class DemoModule {
public:
    DemoModule();
    ~DemoModule();
    bool start();
    // Selects the simulated port and matching line settings, and says so in the console.
    void attach(TFrm_Main &w);

private:
    std::unique_ptr<SimModule> m_sim;
};
