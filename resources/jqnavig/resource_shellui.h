#pragma once
// Context menus, command state, toolbar and start-up dialogs.
