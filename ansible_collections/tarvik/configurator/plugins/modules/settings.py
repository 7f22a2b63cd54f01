#!/usr/bin/python
# -*- coding: utf-8 -*-
# Keeps a Tarvik's settings at given values through tarvikctl apply.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: settings
short_description: Keep the settings of Tarvik speakerphones at given values
description:
  - Brings one Tarvik, or every attached one, to the given settings with
    C(tarvikctl apply), writing only what differs.
  - Finds what differs with C(tarvikctl apply --check) first, so check mode
    and a second run write nothing.
  - A change of C(usb-speed) restarts the Tarvik and is refused unless
    C(allow_restart) is true.
  - In diff mode, before and after show the settings that differ, by
    device (its selector, or C(first) for the first Tarvik).
version_added: "1.0.0"
author:
  - Tarvik Configurator developers
options:
  settings:
    description:
      - The settings by tarvikctl's names and values, for example C(gain-l)
        with C(+3dB) or C(usb-speed) with C(full-speed); C(tarvikctl set --help)
        lists them. Settings not named are left as they are.
      - A YAML boolean stands for C(on) or C(off).
      - Mutually exclusive with C(src).
    type: dict
  src:
    description:
      - Path of a settings document written by C(tarvikctl save), on the
        managed host. It may hold any subset of the settings.
      - Mutually exclusive with C(settings).
    type: path
  device:
    description:
      - The Tarvik to change, as C(tarvikctl --device) takes it; its index,
        node or USB topology path from C(tarvikctl list).
      - Without C(device) or C(all), the first Tarvik is used.
    type: str
  all:
    description:
      - Change every attached Tarvik.
    type: bool
    default: false
  allow_restart:
    description:
      - Allow a change of C(usb-speed), which restarts the Tarvik. When false,
        such a change fails and nothing is changed.
    type: bool
    default: false
extends_documentation_fragment:
  - tarvik.configurator.tarvikctl
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
notes:
  - Needs tarvikctl on the managed host; it talks to the Tarvik over USB there.
seealso:
  - module: tarvik.configurator.info
'''

EXAMPLES = r'''
- name: Room microphones at +3 dB, the PA output off
  tarvik.configurator.settings:
    settings:
      gain-l: "+3dB"
      gain-r: "+3dB"
      pa-output: "off"
    all: true

- name: The settings saved from the reference room, on the Tarvik in port 1-4.2
  tarvik.configurator.settings:
    src: /etc/tarvik/room.json
    device: "1-4.2"

- name: Full speed, which restarts the Tarvik
  tarvik.configurator.settings:
    settings:
      usb-speed: full-speed
    allow_restart: true
'''

RETURN = r'''
devices:
  description: Each Tarvik the task reached, in the order tarvikctl used them.
  returned: always
  type: list
  elements: dict
  contains:
    selector:
      description:
        - The device's selector, as C(device) gave it or, with C(all), its
          USB topology path where known; null for the first Tarvik when
          neither was given.
      type: str
      sample: "1-4.2"
    changes:
      description: The settings that differ(ed), each with its old and new value.
      type: list
      elements: dict
      sample: [{"setting": "gain-l", "from": "0dB", "to": "+3dB"}]
    result:
      description: C(changed), C(unchanged) or, in check mode, C(would change).
      type: str
      sample: changed
rc:
  description: tarvikctl's exit code when it failed.
  returned: failure
  type: int
  sample: 65
'''

import json
import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tarvik.configurator.plugins.module_utils.tarvikctl import (
    DEVICE_ARGUMENT_SPEC, DEVICE_MUTUALLY_EXCLUSIVE, EXIT_DRIFT, EXIT_OK, find_executable,
    global_arguments, per_device, run)

RESTARTING_SETTING = 'usb-speed'


def value_word(name, value, module):
    if isinstance(value, bool):
        return 'on' if value else 'off'
    if isinstance(value, (str, int)):
        return str(value)
    module.fail_json(msg='settings.%s must be a text such as "+3dB", not %r' % (name, value))


def write_document(module, settings):
    """A settings document in save's format with just these settings."""
    document = {'schemaVersion': 1,
                'settings': dict((name, value_word(name, value, module))
                                 for name, value in settings.items())}
    path = os.path.join(module.tmpdir, 'tarvik-settings.json')
    with open(path, 'w') as handle:
        json.dump(document, handle)
    return path


def device_changes(module, document):
    return [(selector, output.get('changes') or [])
            for selector, output, _ in per_device(module, document)]


def main():
    argument_spec = dict(
        settings=dict(type='dict'),
        src=dict(type='path'),
        allow_restart=dict(type='bool', default=False),
    )
    argument_spec.update(DEVICE_ARGUMENT_SPEC)
    module = AnsibleModule(
        argument_spec=argument_spec,
        mutually_exclusive=[('settings', 'src')] + DEVICE_MUTUALLY_EXCLUSIVE,
        required_one_of=[('settings', 'src')],
        supports_check_mode=True,
    )
    params = module.params
    if params['settings'] is not None and not params['settings']:
        module.fail_json(msg='settings names no setting')
    document = params['src'] or write_document(module, params['settings'])
    args = global_arguments(module, find_executable(module))

    rc, found = run(module, args + ['apply', '--check', document], ok_codes=(EXIT_OK, EXIT_DRIFT))
    pending = device_changes(module, found)
    if not params['allow_restart']:
        for selector, changes in pending:
            for change in changes:
                if change.get('setting') == RESTARTING_SETTING:
                    module.fail_json(
                        msg='%s would change from %s to %s on %s, which restarts the Tarvik; '
                            'nothing was changed (set allow_restart to allow it)'
                            % (RESTARTING_SETTING, change.get('from'), change.get('to'),
                               selector or 'the first Tarvik'),
                        devices=[])

    diff = {'before': {}, 'after': {}}
    for selector, changes in pending:
        key = selector or 'first'
        diff['before'][key] = dict((c['setting'], c['from']) for c in changes)
        diff['after'][key] = dict((c['setting'], c['to']) for c in changes)
    changed = rc == EXIT_DRIFT

    if module.check_mode or not changed:
        result = 'would change' if module.check_mode else 'unchanged'
        devices = [dict(selector=selector, changes=changes,
                        result=result if changes else 'unchanged')
                   for selector, changes in pending]
        module.exit_json(changed=changed, devices=devices, diff=diff)

    apply_args = args + (['--yes'] if params['allow_restart'] else []) + ['apply', document]
    rc, done = run(module, apply_args)
    devices = [dict(selector=selector, changes=changes,
                    result='changed' if changes else 'unchanged')
               for selector, changes in device_changes(module, done)]
    module.exit_json(changed=any(d['changes'] for d in devices), devices=devices, diff=diff)


if __name__ == '__main__':
    main()
