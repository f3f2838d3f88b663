#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026 Tavrel
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: device
short_description: Settings of one device server or IO board, written only where the device differs
version_added: 1.0.0
description:
  - Makes one device hold the I(settings) given, through C(tavrel-cli fleet) on a one-row fleet sheet
    written to a private temporary file on the managed host, so that the CLI's rules decide everything -
    the values allowed, what the device can take, the frames it needs, the snapshot kept before the
    write, the read-back and the comparison.
  - Without check mode, C(tavrel-cli fleet apply) writes only a device that differs, and only what it
    needs; in check mode, C(tavrel-cli fleet plan) reports what would change and nothing is sent.
  - The task reports changed only when the device differed from I(settings).
  - It fails, with the CLI's message naming the field, on a value a field does not take, a setting
    the device cannot hold (such as a port it does not have), a device whose read-out stays incomplete,
    a device that does not answer, a refused write, or a device that reads back otherwise.
options:
  device:
    description:
      - The device, by IP address, MAC address (dashes or colons) or six-digit key.
      - A device named by its IP address is first looked up for its MAC address (C(tavrel-cli show)).
    type: str
    required: true
  settings:
    description:
      - The settings the device should hold, keyed by the column names of C(tavrel-cli search --csv),
        which are the fleet sheet's, such as C(port1.baud), C(port1.parity), C(network.ipType),
        C(network.ip), C(network.dns), C(user), C(password), C(wifi.staSsid).
      - Values are given as that export writes them (C("115200"), C(EVEN), C(dhcp)); numbers and booleans
        are taken as their text. A field left out is not managed.
      - Columns that only report (C(ip), C(key), C(firmware), C(hardware), C(form), C(complete), C(source),
        C(replyPort), C(wifi.signal)) are not compared; the device is named by I(device), not by C(mac).
      - Values of keys that name a password are kept out of logs and output (no_log); in the changes and
        the diff a password shows as C(********).
    type: dict
    required: true
  force:
    description:
      - Write values the CLI takes as likely mistakes, such as a gateway outside the subnet or an address
        another device holds (C(tavrel-cli fleet apply --force)).
    type: bool
    default: false
extends_documentation_fragment:
  - tavrel.devices.common
  - tavrel.devices.common.ATTRIBUTES
attributes:
  check_mode:
    description: Reads the device and reports what would change; sends no write.
    support: full
  diff_mode:
    description: The fields that differ, before (as the device holds them) and after (as asked).
    support: full
seealso:
  - module: tavrel.devices.device_info
author:
  - Tavrel tools team (@tavrel)
'''

EXAMPLES = r'''
- name: First port at 115200 8E1
  tavrel.devices.device:
    device: 00-CA-C1-19-00-33
    settings:
      port1.baud: "115200"
      port1.parity: EVEN
      port1.stopBits: "1"

- name: Static address and DNS of the device at 192.0.2.40
  tavrel.devices.device:
    device: 192.0.2.40
    settings:
      network.ipType: static
      network.dns: 192.0.2.1

- name: Station WiFi of a board (its password kept out of the log)
  tavrel.devices.device:
    device: 190034
    settings:
      wifi.staSsid: Plant-WiFi
      wifi.staPassword: "{{ vault_plant_wifi_password }}"
'''

RETURN = r'''
device:
  description: The device as the CLI found it.
  returned: always
  type: dict
  contains:
    mac:
      description: Its MAC address.
      type: str
      sample: 00-CA-C1-19-00-33
    address:
      description: The address it answered from.
      type: str
      sample: 192.0.2.40
    address_after:
      description: Where it answered after the write (a changed C(network.ip) is followed).
      type: str
      returned: when it was written
changes:
  description: The fields that differed (or, in check mode, differ), from the device's value to the one asked.
  returned: always
  type: list
  elements: dict
  sample: [{"field": "port1.baud", "from": "9600", "to": "115200"}]
result:
  description: The CLI's word for the write (written, unchanged) or, in check mode, for the plan (change, unchanged).
  returned: always
  type: str
  sample: written
'''

import csv
import os
import re
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.six import string_types, integer_types
from ansible_collections.tavrel.devices.plugins.module_utils.tavrel_cli import TavrelCli, module_arguments

# A MAC (twelve hex digits once dashes or colons are gone) or a key (six): a sheet row names these.
_MAC = re.compile(r'^[0-9A-Fa-f]{2}([-:]?[0-9A-Fa-f]{2}){5}$')
_KEY = re.compile(r'^[0-9A-Fa-f]{6}$')
# Results of fleet apply for a device to which no write frame went.
_NOT_SENT = ('refused', 'not-sent', 'not-started', 'missing', 'incomplete', 'invalid')


def cell_texts(module, settings):
    cells = []
    for name, value in settings.items():
        if name in ('mac', 'key'):
            module.fail_json(msg='settings: %s names the device; give the device as device' % name)
        if isinstance(value, bool):
            value = 'true' if value else 'false'
        elif isinstance(value, (integer_types, float)):
            value = str(value)
        elif not isinstance(value, string_types):
            module.fail_json(msg='settings: %s takes a text, not %s' % (name, type(value).__name__))
        # An empty cell means "not managed" to the sheet; a task asking for "" would silently do nothing.
        if value == '':
            module.fail_json(msg='settings: %s is empty; leave the field out to keep it as it is' % name)
        if 'password' in name.lower():
            module.no_log_values.add(value)
        cells.append((name, value))
    return cells


def sheet_column(module, cli):
    """The row's device column and cell: mac or key as given, else the MAC of the device named."""
    device = module.params['device'].strip()
    if _MAC.match(device):
        return 'mac', device
    if _KEY.match(device):
        return 'key', device
    rc, data, err = cli.run('show', device)
    if rc != 0 or not isinstance(data, dict) or not data.get('mac'):
        cli.fail(rc, err)
    return 'mac', data['mac']


def write_sheet(module, column, cells):
    handle, path = tempfile.mkstemp(prefix='tavrel-', suffix='.csv', dir=module.tmpdir)
    with os.fdopen(handle, 'w', newline='', encoding='utf-8') as sheet:
        writer = csv.writer(sheet, lineterminator='\r\n')
        writer.writerow([column[0]] + [name for name, _ in cells])
        writer.writerow([column[1]] + [value for _, value in cells])
    return path


def sheet_message(err, path):
    """The CLI's message about the one-row sheet, without its temporary path and line number."""
    return re.sub(re.escape(path) + r': (line \d+, )?', '', err)


def main():
    module = AnsibleModule(
        argument_spec=module_arguments(
            device=dict(type='str', required=True),
            settings=dict(type='dict', required=True),
            force=dict(type='bool', default=False),
        ),
        supports_check_mode=True,
    )
    cells = cell_texts(module, module.params['settings'])
    cli = TavrelCli(module)
    path = write_sheet(module, sheet_column(module, cli), cells)
    arguments = ['fleet', 'plan' if module.check_mode else 'apply', path]
    if module.params['force']:
        arguments.append('--force')
    rc, data, err = cli.run(*arguments)
    os.remove(path)
    err = sheet_message(err, path)
    if not isinstance(data, list) or len(data) != 1:
        cli.fail(rc, err)
    row = data[0]
    cli.warn_from(err)
    device = dict(mac=row.get('mac'), address=row.get('address'))
    if row.get('addressAfter'):
        device['address_after'] = row['addressAfter']
    changes = row.get('changes') or []
    result = dict(device=device, changes=changes, result=row.get('result', row.get('status')))
    status = row.get('status')
    if status not in ('change', 'unchanged'):
        module.fail_json(msg='%s %s: %s' % (module.params['device'], status, row.get('message')), **result)
    if not module.check_mode and row.get('result') not in ('written', 'unchanged'):
        # Frames that went out may have changed the device, answered or not.
        result['changed'] = row.get('result') not in _NOT_SENT
        differences = '; '.join('%s: device %s, asked %s' % (d['field'], d['device'], d['sheet'])
                                for d in row.get('differences') or [])
        module.fail_json(msg='%s %s: %s' % (module.params['device'], row.get('result'),
                                            '; '.join(p for p in (row.get('message'), differences) if p)),
                         **result)
    if module._diff and changes:
        header = row.get('mac') or module.params['device']
        # A password shows masked on both sides; the diff still has to show that it changes.
        result['diff'] = dict(before={c['field']: c['from'] for c in changes},
                              after={c['field']: c['to'] + (' (changes)' if c['to'] == c['from'] else '')
                                     for c in changes},
                              before_header=header, after_header=header)
    module.exit_json(changed=status == 'change', **result)


if __name__ == '__main__':
    main()
