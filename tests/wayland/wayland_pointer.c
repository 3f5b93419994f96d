/* The Wayland test's pointer: a virtual pointer of the compositor's seat,
 * driven from the command line, as wtype drives a keyboard.
 *
 *   wayland-pointer move DX DY        relative motion in logical pixels
 *   wayland-pointer click [left|right|middle]
 *
 * Several commands may follow each other on one command line; each is one
 * frame, and the tool waits until the compositor has read them all. Clients
 * hear of a new pointer device only after a round trip of their own: the
 * tool waits a moment after making the pointer, and before taking it away. */
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

static struct zwlr_virtual_pointer_manager_v1* manager;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data;
    (void)version;
    if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}

static void global_remove(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

static int usage(void)
{
    fputs("usage: wayland-pointer (move DX DY | click [left|right|middle]) ...\n", stderr);
    return 2;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fputs("wayland-pointer: no Wayland compositor (WAYLAND_DISPLAY)\n", stderr);
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fputs("wayland-pointer: the compositor offers no virtual pointer\n", stderr);
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, NULL);
    wl_display_roundtrip(display);
    usleep(300 * 1000);
    uint32_t time = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "move") == 0 && i + 2 < argc) {
            zwlr_virtual_pointer_v1_motion(pointer, time, wl_fixed_from_double(atof(argv[i + 1])),
                                           wl_fixed_from_double(atof(argv[i + 2])));
            i += 2;
        } else if (strcmp(argv[i], "click") == 0) {
            uint32_t button = BTN_LEFT;
            if (i + 1 < argc && strcmp(argv[i + 1], "right") == 0)
                button = BTN_RIGHT, ++i;
            else if (i + 1 < argc && strcmp(argv[i + 1], "middle") == 0)
                button = BTN_MIDDLE, ++i;
            else if (i + 1 < argc && strcmp(argv[i + 1], "left") == 0)
                ++i;
            zwlr_virtual_pointer_v1_button(pointer, time, button, WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            time += 10;
            zwlr_virtual_pointer_v1_button(pointer, time, button, WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            return usage();
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        time += 10;
    }
    wl_display_roundtrip(display);
    usleep(300 * 1000);
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
