#pragma once

/// Registers the icons and pictures compiled into the widget library; call once per process.
void zeltoInitResources();
