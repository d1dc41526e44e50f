#include "game/SStandInGame.h"

// The object definitions the library offers the host: the heads-up display, the model flags,
// the four weapons an officer qualifies on and a small career of levels. Kept as script
// text so that it reads like every other definition file of the game and goes through the
// same reader.
const char* const SStandInGame::kObjectScript = R"(
// Heads-up display and drawing switches
OBJECT HUD
{
    set Layout "HUD"
    set Visible "1"
    set LayoutFile "Layouts/hud.lay"
    set ResultsFile "Layouts/results.lay"
}
// How the aim follows the controls, in degrees a frame: per step of a movement axis, and
// while a turn or look key is held.
OBJECT Aiming
{
    set DegreesPerStep "0.003"
    set KeyDegrees "1.5"
}
OBJECT ModelFlags
{
    set Hunter "0"
    set Target "1"
}

// Weapons, named as the career's levels and qualifications name them; "ScoreKey" is the
// weapon's key in the scores reported to the host.
OBJECT Weapon
{
    set Type "Weapon"
    set Damage "10"
    set Rounds "1"
    set ViewModel "Models/Range/pistol.ssm"
    set ShotSound "Sounds/Range/shot.wav"
    set Kick "0.12"
    set KickTime "250"
}
OBJECT Pistol9mm:Weapon
{
    set Name "9mm Pistol"
    set ScoreKey "Gun"
    set Rounds "15"
}
OBJECT Shotgun:Weapon
{
    set Name "Shotgun"
    set ScoreKey "Shotgun"
    set Damage "40"
    set Rounds "6"
}
OBJECT MP5:Weapon
{
    set Name "MP5"
    set ScoreKey "MP5"
    set Rounds "30"
}
OBJECT Sniper:Weapon
{
    set Name "Sniper Rifle"
    set ScoreKey "Sniper"
    set Damage "80"
    set Rounds "5"
}

// The career: the level list, the scores that qualify, and one definition per kind of level.
// A level line is skill, definition, weapons ("-" between them), level index, picture while
// not passed, picture once passed, a spare number and the description.
OBJECT Scenario
{
    set Type "Scenario"
    set Level00 "1,TargetRange,Pistol9mm,0,0,1,0,Target range: qualify on the 9mm pistol;"
    set Level01 "1,TargetRange,Shotgun,1,2,3,0,Target range: qualify on the shotgun;"
    set Level02 "1,TargetRange,MP5,2,4,5,0,Target range: qualify on the MP5;"
    set Level03 "1,TargetRange,Sniper,3,6,7,0,Target range: qualify on the sniper rifle;"
    set Level04 "1,AlleyWalk,Pistol9mm-Shotgun,4,8,9,0,Alley walk by day: clear the alley behind the bank;"
    set Level05 "1,AlleyWalk_Night,Pistol9mm-MP5,5,10,11,0,Alley walk by night: the same alley after dark;"
    set Level06 "2,SniperRange,Sniper,6,12,13,0,Sniper range: cover the square from the rooftop;"
    set LevelImage00 "0,Images:level_range"
    set LevelImage01 "1,Images:level_range_done"
    set LevelImage02 "2,Images:level_range"
    set LevelImage03 "3,Images:level_range_done"
    set LevelImage04 "4,Images:level_range"
    set LevelImage05 "5,Images:level_range_done"
    set LevelImage06 "6,Images:level_range"
    set LevelImage07 "7,Images:level_range_done"
    set LevelImage08 "8,Images:level_day"
    set LevelImage09 "9,Images:level_day_done"
    set LevelImage10 "10,Images:level_night"
    set LevelImage11 "11,Images:level_night_done"
    set LevelImage12 "12,Images:level_sniper"
    set LevelImage13 "13,Images:level_sniper_done"
}
OBJECT HunterDisplay
{
    set Pitch "180"
    set Yaw "0"
    set ViewDistance "2.5"
    set Height "-1.0"
    set Scale "8"
    set XPos "0"
    set MinFOV "30"
    set MaxFOV "70"
}
OBJECT Score
{
    set __UnlockLevels "0"
    set QualifyTimeLimit "150000"
    set Pistol9mmQualifyScore "70"
    set ShotgunQualifyScore "60"
    set MP5QualifyScore "65"
    set SniperQualifyScore "80"
    set LevelsPerRank "3"
    set Rank00 "Cadet"
    set Rank01 "Officer"
    set Rank02 "Sergeant"
    set Skill00 "Trainee"
    set Skill01 "Regular"
    set Skill02 "Veteran"
}
OBJECT Level
{
    set Type "Level"
    set Date "6/1/2000"
    set Time "09:00:00"
    set DayNight "1"
}
OBJECT TargetRange:Level
{
    set Type "TargetRange"
    set Name "Target Range"
    set SubGameType "0"
    set MapFile "targetrange.gmx"
    set MapName "Target Range"
    set GenericMap "1"
    set HitSound "Sounds/Range/hit.wav"
    set AmbientSound "Sounds/Range/ambient.wav"
}
OBJECT AlleyWalk:Level
{
    set Type "AlleyWalk"
    set Name "Alley Walk"
    set SubGameType "1"
    set MapFile "alley.gmx"
    set MapName "Bank Alley"
    set Time "10:30:00"
    set MaximumTime_Skill01 "300"
    set MinimumScore_Skill01 "50"
}
OBJECT AlleyWalk_Night:AlleyWalk
{
    set Name "Alley Walk by Night"
    set DayNight "0"
    set Time "22:15:00"
    set MaximumTime_Skill01 "360"
}
OBJECT SniperRange:Level
{
    set Type "SniperRange"
    set Name "Sniper Range"
    set SubGameType "2"
    set MapFile "square.gmx"
    set MapName "Market Square"
    set Time "07:45:00"
    set MaximumTime_Skill02 "240"
    set MinimumScore_Skill02 "60"
}
OBJECT LandSniperRange:Level
{
    set Type "LandSniperRange"
    set Name "Land Sniper Range"
    set SubGameType "3"
}
// The inventory catalogue: what an officer may carry, each with its size in slots of the
// kit grid and how the 3D view shows it.
OBJECT InvWeapon
{
    set Type "InvWeapon"
    set IsWeapon "1"
    set Category "Weapons"
    set MinFOV "20"
    set MaxFOV "75"
    set Height "1.5"
    set Pitch "0"
    set Yaw "90"
    set ViewDistance "40"
}
OBJECT InvItem
{
    set Type "InvItem"
    set SlotsX "1"
    set SlotsY "1"
    set MinFOV "30"
    set MaxFOV "70"
    set Height "1.0"
    set Pitch "20"
    set Yaw "0"
    set ViewDistance "30"
}
OBJECT InvPistol9mm:InvWeapon
{
    set Name "9mm Pistol"
    set SlotsX "2"
    set SlotsY "1"
    set Model "Models/Range/pistol.ssm"
    set QDesc "The standard service pistol."
    set Desc "The standard service pistol: fifteen rounds."
}
OBJECT InvShotgun:InvWeapon
{
    set Name "Shotgun"
    set SlotsX "4"
    set SlotsY "1"
    set Model "shotgun.ssm"
    set QDesc "A pump-action shotgun."
    set Desc "A pump-action shotgun: six shells, wide spread."
}
OBJECT InvRifleScope:InvItem
{
    set Name "Rifle Scope"
    set IsWeaponScope "1"
    set SlotsX "2"
    set Category "Optics"
    set QDesc "A telescopic sight."
}
OBJECT InvRadio:InvItem
{
    set Name "Radio"
    set Category "Gear"
    set Model "Models/Inventory/radio.ssm"
    set AlternateSkin00 "Body:Night"
    set Height "-1.4"
    set Pitch "0"
    set ViewDistance "1.4"
    set QDesc "Keeps the officer in touch with dispatch."
}
OBJECT InvHandcuffs:InvItem
{
    set Name "Handcuffs"
    set Category "Gear"
    set QDesc "A pair of steel handcuffs."
}
OBJECT InvFlashlight:InvItem
{
    set Name "Flashlight"
    set QDesc "For the alley after dark."
}
OBJECT InvDutyBelt:InvItem
{
    set Name "Duty Belt"
    set SlotsX "4"
    set SlotsY "-2"
    set Category "Gear"
    set QDesc "Carries four more slots of kit."
}
)";
