#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026 Tavrel
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: firmware
short_description: A firmware campaign on the devices named, with a result per device
version_added: 1.0.0
description:
  - Uploads a firmware image over TFTP to every device named, as C(tavrel-cli upgrade IMAGE DEVICE...)
    does, and by default waits for each one to answer again and reads its new version (C(--verify)).
  - The CLI checks the image once before anything is sent, refuses a set of devices of different
    hardware versions, and names every device that did not complete.
  - With I(skip_version), devices that already run that version are left alone, so that a second run
    changes nothing.
  - In check mode, C(--dry-run) lists what would be uploaded; nothing is sent.
options:
  image:
    description: The firmware image, a file on the managed host.
    type: path
    required: true
  devices:
    description: The devices, each by IP address, MAC address or six-digit key.
    type: list
    elements: str
    required: true
    aliases: [device]
  verify:
    description: Wait for each device to answer again and read its version; one that still reports the
      old version fails the task.
    type: bool
    default: true
  verify_timeout:
    description: How long the verification waits, in milliseconds (C(--verify-timeout)).
    type: int
  skip_version:
    description: Leave out devices that report this firmware version (C(--skip-version)).
    type: str
  parallel:
    description: Uploads at once (C(--parallel), 1 to 8).
    type: int
    default: 1
  mixed:
    description: Allow devices of another hardware version than the first's (C(--mixed)).
    type: bool
    default: false
  tftp_port:
    description: The devices' TFTP port (C(tavrel-cli --tftp-port)); 69 unless set.
    type: int
extends_documentation_fragment:
  - tavrel.devices.common
  - tavrel.devices.common.ATTRIBUTES
attributes:
  check_mode:
    description: Lists what would be uploaded; sends nothing.
    support: full
  diff_mode:
    description: The firmware version before and after of each device upgraded.
    support: full
author:
  - Tavrel tools team (@tavrel)
'''

EXAMPLES = r'''
- name: The north plant's servers to V145
  tavrel.devices.firmware:
    image: /srv/firmware/S410-V145.bin
    devices:
      - 00-CA-C1-19-00-33
      - 00-CA-C1-19-00-34
    skip_version: V145
    parallel: 2
  register: campaign
'''

RETURN = r'''
devices:
  description: One entry per device named, as C(tavrel-cli upgrade --json) prints it.
  returned: always
  type: list
  elements: dict
  contains:
    device:
      description: The device as named.
      type: str
    mac:
      description: Its MAC address (none when it was not found).
      type: str
    ip:
      description: The address it answered from.
      type: str
    versionBefore:
      description: The version it reported before.
      type: str
    versionAfter:
      description: The version it reported after (with I(verify)).
      type: str
    result:
      description:
        - upgraded, completed (without I(verify)), skipped, not-found, unchanged, did-not-come-back,
          timeout, transfer-error, refused, ...
        - In check mode, upgrade, skipped or not-found.
      type: str
    message:
      description: What the CLI says of it.
      type: str
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tavrel.devices.plugins.module_utils.tavrel_cli import TavrelCli, module_arguments

# Results of a device that took no upload.
_UNTOUCHED = ('skipped', 'not-found', 'not-started')


def main():
    module = AnsibleModule(
        argument_spec=module_arguments(
            image=dict(type='path', required=True),
            devices=dict(type='list', elements='str', required=True, aliases=['device']),
            verify=dict(type='bool', default=True),
            verify_timeout=dict(type='int'),
            skip_version=dict(type='str'),
            parallel=dict(type='int', default=1),
            mixed=dict(type='bool', default=False),
            tftp_port=dict(type='int'),
        ),
        supports_check_mode=True,
    )
    p = module.params
    if not p['devices']:
        module.fail_json(msg='devices: name at least one device')
    cli = TavrelCli(module, extra_options=(('tftp_port', '--tftp-port'),))
    arguments = ['upgrade', p['image']] + p['devices'] + ['--parallel', str(p['parallel'])]
    if p['skip_version'] is not None:
        arguments += ['--skip-version', p['skip_version']]
    if p['mixed']:
        arguments.append('--mixed')
    if module.check_mode:
        arguments.append('--dry-run')
    elif p['verify']:
        arguments.append('--verify')
        if p['verify_timeout'] is not None:
            arguments += ['--verify-timeout', str(p['verify_timeout'])]
    rc, data, err = cli.run(*arguments)
    if not isinstance(data, list):
        cli.fail(rc, err)
    touched = [d for d in data if d.get('result') not in _UNTOUCHED]
    result = dict(devices=data, changed=bool(touched))
    if module._diff and touched:
        result['diff'] = dict(before={d['device']: d.get('versionBefore') for d in touched},
                              after={d['device']: d.get('versionAfter') or p['image'] for d in touched})
    missing = [d['device'] for d in data if d.get('result') == 'not-found']
    if rc != 0 or missing:
        failed = ['%s: %s' % (d['device'], d.get('message') or d.get('result')) for d in data
                  if d.get('result') not in ('upgraded', 'completed', 'skipped', 'upgrade')]
        cli.fail(rc, err, '; '.join(failed), **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
