#pragma once

// Registers the main window's commands that open the statistics windows (收费管理 and
// 投诉管理 menus). Called once at start-up.
void RegisterStatisticsCommands();
