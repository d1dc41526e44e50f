// Destroying an application layout takes its fonts and sprites out of the display manager's
// registries before they are deleted, so a later display change finds no stale pointer.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "frontend/hud/SAppLayout.h"
#include "ui/SDisplayHost.h"
#include "ui/SFont.h"
#include "ui/SSprite.h"
#include "tests/ui/QuietDisplayHost.h"

namespace {

class RegistryHost : public tarvex::test::QuietDisplayHost {
public:
    void AddSprite(SSprite* pSprite) override { m_live.push_back(pSprite); }
    void RemoveSprite(SSprite* pSprite) override { Forget(pSprite); }
    void AddFont(SFont* pFont) override { m_live.push_back(pFont); }
    void RemoveFont(SFont* pFont) override { Forget(pFont); }
    void Forget(const void* object) { m_live.erase(std::remove(m_live.begin(), m_live.end(), object), m_live.end()); }
    std::vector<const void*> m_live;
};

template <typename T>
T* Record(SLayoutResList& list, RegistryHost& host) {
    auto* object = new T;
    if constexpr (std::is_same_v<T, SFont>)
        host.AddFont(object);
    else
        host.AddSprite(object);
    auto* record = new SLayoutRes;
    record->m_pObject = object;
    list.AddTail(record);
    return object;
}

TEST(AppLayoutPurgeTest, DestroyingTheLayoutUnregistersItsFontsAndSprites) {
    RegistryHost host;
    SDisplayHost::SetInstance(&host);
    {
        SAppLayout layout;
        Record<SFont>(layout.GetFontList(), host);
        Record<SSprite>(layout.GetSpriteList(), host);
        ASSERT_EQ(host.m_live.size(), 2u);
    }
    EXPECT_TRUE(host.m_live.empty());
    SDisplayHost::SetInstance(nullptr);
}

}  // namespace
