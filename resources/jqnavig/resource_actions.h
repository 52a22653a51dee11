#pragma once
// Navigation, view, selection and file commands, drive bar and address combo.
