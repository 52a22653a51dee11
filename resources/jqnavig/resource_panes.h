#pragma once
// Folder trees and file lists.
