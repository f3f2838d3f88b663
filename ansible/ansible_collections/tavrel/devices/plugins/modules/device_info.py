#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026 Tavrel
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: device_info
short_description: Devices found on the managed host's LAN, with everything they report
version_added: 1.0.0
description:
  - Searches the LAN of the managed host for device servers and IO boards and reads each one out, as
    C(tavrel-cli search --json) does; with I(device), only that device, as C(tavrel-cli show --json).
  - Passwords come masked (C(********)).
options:
  device:
    description:
      - The one device to report, by IP address, MAC address or six-digit key.
      - The task fails when it does not answer.
    type: str
extends_documentation_fragment:
  - tavrel.devices.common
  - tavrel.devices.common.ATTRIBUTES
attributes:
  check_mode:
    description: Only reads; runs the same in check mode.
    support: full
  diff_mode:
    description: Changes nothing, so has no diff.
    support: none
author:
  - Tavrel tools team (@tavrel)
'''

EXAMPLES = r'''
- name: Every device of the site
  tavrel.devices.device_info:
    bind: 192.0.2.10
  register: site

- name: One device, by MAC
  tavrel.devices.device_info:
    device: 00-CA-C1-19-00-33
  register: one

- name: Its first port's baud rate
  ansible.builtin.debug:
    msg: "{{ one.devices[0].ports[0].baud }}"
'''

RETURN = r'''
devices:
  description:
    - The devices found, each as C(tavrel-cli show --json) prints it (identity, network, account,
      WiFi and ports, whether its read-out is complete).
    - An empty list when none answered (or, with I(device), the one device).
  returned: success
  type: list
  elements: dict
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tavrel.devices.plugins.module_utils.tavrel_cli import TavrelCli, module_arguments


def main():
    module = AnsibleModule(argument_spec=module_arguments(device=dict(type='str')), supports_check_mode=True)
    cli = TavrelCli(module)
    device = module.params['device']
    if device:
        rc, data, err = cli.run('show', device)
        if rc != 0 or not isinstance(data, dict):
            cli.fail(rc, err)
        module.exit_json(changed=False, devices=[data])
    rc, data, err = cli.run('search')
    # Exit 1 with a list: nobody answered, which is an answer.
    if not isinstance(data, list) or rc not in (0, 1):
        cli.fail(rc, err)
    module.exit_json(changed=False, devices=data)


if __name__ == '__main__':
    main()
