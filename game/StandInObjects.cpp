#include "game/SStandInGame.h"

// The object definitions the library offers the host: the heads-up display, the model flags,
// the four weapons an officer qualifies on and the four kinds of scenario. Kept as script
// text so that it reads like every other definition file of the game and goes through the
// same reader.
const char* const SStandInGame::kObjectScript = R"(
// Heads-up display and drawing switches
OBJECT HUD
{
    set Layout "HUD"
    set Visible "1"
}
OBJECT ModelFlags
{
    set Hunter "0"
    set Target "1"
}

// Weapons
OBJECT Weapon
{
    set Type "Weapon"
    set Damage "10"
    set Rounds "1"
}
OBJECT Pistol9mm:Weapon
{
    set Name "9mm Pistol"
    set Rounds "15"
}
OBJECT Shotgun:Weapon
{
    set Name "Shotgun"
    set Damage "40"
    set Rounds "6"
}
OBJECT MP5:Weapon
{
    set Name "MP5"
    set Rounds "30"
}
OBJECT SniperRifle:Weapon
{
    set Name "Sniper Rifle"
    set Damage "80"
    set Rounds "5"
}

// Scenarios
OBJECT Scenario
{
    set Type "Scenario"
}
OBJECT TargetRange:Scenario
{
    set Name "Target Range"
    set SubGameType "0"
}
OBJECT AlleyWalk:Scenario
{
    set Name "Alley Walk"
    set SubGameType "1"
}
OBJECT SniperRange:Scenario
{
    set Name "Sniper Range"
    set SubGameType "2"
}
OBJECT LandSniperRange:Scenario
{
    set Name "Land Sniper Range"
    set SubGameType "3"
}
)";
