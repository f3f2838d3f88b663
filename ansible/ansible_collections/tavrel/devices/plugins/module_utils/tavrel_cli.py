# -*- coding: utf-8 -*-
# Copyright: (c) 2026 Tavrel
"""Runs tavrel-cli for the modules: its global options, its JSON, its messages."""
from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os

COMMON_ARGUMENTS = dict(
    broadcast=dict(type='str'),
    bind=dict(type='str'),
    device_port=dict(type='int'),
    local_port=dict(type='int'),
    timeout=dict(type='int'),
    cli=dict(type='path'),
)

_GLOBAL_OPTIONS = (
    ('broadcast', '--broadcast'),
    ('bind', '--bind'),
    ('device_port', '--device-port'),
    ('local_port', '--local-port'),
    ('timeout', '--timeout'),
)


def module_arguments(**module_options):
    arguments = dict(COMMON_ARGUMENTS)
    arguments.update(module_options)
    return arguments


class TavrelCli(object):
    """The managed host's tavrel-cli, with the module's global options."""

    def __init__(self, module, extra_options=()):
        self.module = module
        self.path = self._find()
        self.options = []
        for name, flag in tuple(_GLOBAL_OPTIONS) + tuple(extra_options):
            if module.params.get(name) is not None:
                self.options += [flag, str(module.params[name])]

    def _find(self):
        given = self.module.params.get('cli')
        if given:
            if not (os.path.isfile(given) and os.access(given, os.X_OK)):
                self.module.fail_json(msg='cli: %s is not an executable file' % given)
            return given
        found = self.module.get_bin_path('tavrel-cli')
        if not found:
            self.module.fail_json(msg='tavrel-cli is not on the PATH of the managed host: '
                                      'install the tavrel package there, or give its path as cli')
        return found

    def run(self, *arguments):
        """(exit code, JSON of stdout or None, stderr) of `tavrel-cli OPTIONS --json ARGUMENTS`."""
        command = [self.path] + self.options + ['--json'] + list(arguments)
        rc, out, err = self.module.run_command(command, environ_update={'LC_ALL': 'C.UTF-8'})
        try:
            data = json.loads(out) if out.strip() else None
        except ValueError:
            data = None
        return rc, data, err

    def fail(self, rc, err, message=None, **result):
        """Fails the task with tavrel-cli's own message (or the one given)."""
        message = message or '; '.join(line.strip() for line in err.splitlines() if line.strip())
        self.module.fail_json(msg=message or 'tavrel-cli exited with %d and said nothing' % rc, rc=rc,
                              stderr=err, **result)

    def warn_from(self, err):
        for line in err.splitlines():
            if 'warning:' in line:
                self.module.warn(line.strip())
