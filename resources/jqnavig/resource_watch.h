#pragma once
// Folder watching, refresh and file operations.
