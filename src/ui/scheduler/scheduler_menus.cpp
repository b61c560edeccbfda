#include "ui/scheduler/scheduler_menus.h"

namespace strevo {

const std::array<MenuItemDef, 4> kAgentMenu = {{
    {0, "Разбудить", 0, false, false, false, false, true},
    {1, "Планировщик", 0},
    {2, "-", 0},
    {3, "Выход", 0},
}};

const std::array<MenuItemDef, 4> kRecorderMenu = {{
    {0, "Завершить", 0, false, false, false, false, true},
    {1, "-", 0},
    {2, "Показать окно", 0},
    {3, "Скрыть окно", 0},
}};

AgentCommand AgentMenuCommand(int position) {
  switch (position) {
    case 0: return AgentCommand::Wake;
    case 1: return AgentCommand::Scheduler;
    case 3: return AgentCommand::Exit;
    default: return AgentCommand::None;
  }
}

RecorderCommand RecorderMenuCommand(int position) {
  switch (position) {
    case 0: return RecorderCommand::Finish;
    case 2: return RecorderCommand::Show;
    case 3: return RecorderCommand::Hide;
    default: return RecorderCommand::None;
  }
}

}  // namespace strevo
