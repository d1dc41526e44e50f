#pragma once

// The program's one hub (SGameObjects::Instance()) lives as long as the test process, and every
// later test of the process meets what an earlier one left in it. A test that uses it keeps this
// guard: when the test ends, the working folder and the hub's paths are as they were, and the
// hub keeps no officer list the test read or made (such a list would be written into whatever
// folder a later test runs in). A list the test replaced cannot come back, so the hub is left as
// one that has read no officer file yet.

#include <filesystem>

#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "app/SOfficerHooks.h"

namespace tarvex::test {

class ProcessHubGuard {
public:
    ProcessHubGuard()
        : m_dir(std::filesystem::current_path()),
          m_hub(SGameObjects::Instance()),
          m_basePath(m_hub->m_sBasePath),
          m_itemsBasePath(m_hub->m_pGameItems->m_sBasePath),
          m_officers(m_hub->m_pPlayerList),
          m_current(m_hub->m_pCurrentPlayer) {}
    ~ProcessHubGuard() {
        m_hub->m_sBasePath = m_basePath;
        m_hub->m_pGameItems->m_sBasePath = m_itemsBasePath;
        if (m_hub->m_pPlayerList != m_officers) {
            SOfficerHooks* records = SOfficerHooks::Installed();
            if (records != nullptr && m_hub->m_pPlayerList != nullptr)
                records->DeleteList(m_hub->m_pPlayerList);
            m_hub->m_pPlayerList = nullptr;
            m_hub->m_pCurrentPlayer = nullptr;
        } else {
            m_hub->m_pCurrentPlayer = m_current;
        }
        std::filesystem::current_path(m_dir);
    }
    ProcessHubGuard(const ProcessHubGuard&) = delete;
    ProcessHubGuard& operator=(const ProcessHubGuard&) = delete;

private:
    std::filesystem::path m_dir;
    SGameObjects* m_hub;
    SString m_basePath;
    SString m_itemsBasePath;
    SHunterInfoList* m_officers;
    SHunterInfo* m_current;
};

}  // namespace tarvex::test
