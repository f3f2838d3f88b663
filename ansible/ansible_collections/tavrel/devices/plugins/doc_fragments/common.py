# -*- coding: utf-8 -*-
# Copyright: (c) 2026 Tavrel
from __future__ import absolute_import, division, print_function
__metaclass__ = type


class ModuleDocFragment(object):

    # The options every module passes to tavrel-cli as its global options.
    DOCUMENTATION = r'''
options:
  broadcast:
    description:
      - Broadcast address of searches and commands (C(tavrel-cli --broadcast)).
      - Without it, C(TAVREL_BROADCAST) of the managed host, else the limited broadcast 255.255.255.255.
    type: str
  bind:
    description:
      - Local address to bind, which picks the network card of the managed host that faces the devices
        (C(tavrel-cli --bind)).
    type: str
  device_port:
    description:
      - UDP port of the devices (C(tavrel-cli --device-port)); 1111 unless set.
    type: int
  local_port:
    description:
      - Local UDP port (C(tavrel-cli --local-port)); 4601 unless set, 0 takes any free port.
    type: int
  timeout:
    description:
      - Bound on the whole wait of the command, in milliseconds (C(tavrel-cli --timeout)).
      - A device that does not answer lets the search run until this bound.
    type: int
  cli:
    description:
      - Path of C(tavrel-cli) on the managed host.
      - By default it is looked for on the managed host's PATH.
    type: path
notes:
  - The module runs C(tavrel-cli) on the managed host, which must be on the devices' LAN; device searches
    are broadcasts and do not cross routers. Use one host per site.
  - Every device rule (values allowed, what a device can take, how it is written and read back) is
    C(tavrel-cli)'s; its messages are the task's.
requirements:
  - C(tavrel-cli) on the managed host, with the C(fleet) commands.
'''

    ATTRIBUTES = r'''
attributes:
  action_group:
    description: Part of the action group C(tavrel.devices.tavrel), for C(module_defaults).
    support: full
    membership:
      - tavrel.devices.tavrel
  platform:
    description: Runs on a POSIX host on the devices' LAN.
    support: full
    platforms: posix
'''
