# -*- coding: utf-8 -*-
# Running tarvikctl for the modules of this collection: the options that
# reach devices, the command line they become and tarvikctl's JSON output.
# tarvikctl's text output is never read; its error stream is only passed on
# in messages.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

# tarvikctl's exit codes that the modules tell apart.
EXIT_OK = 0
EXIT_DRIFT = 2

DEVICE_ARGUMENT_SPEC = dict(
    device=dict(type='str'),
    all=dict(type='bool', default=False),
    executable=dict(type='path'),
    simulate=dict(type='int', default=0),
    simulate_state=dict(type='path'),
)
DEVICE_MUTUALLY_EXCLUSIVE = [('device', 'all')]


def find_executable(module):
    executable = module.params['executable']
    if executable:
        return executable
    return module.get_bin_path('tarvikctl', required=True)


def global_arguments(module, executable, selection=None):
    """tarvikctl and its global options. `selection` 'all' or 'none' stands
    in for the device options of the task."""
    params = module.params
    if params['simulate'] < 0:
        module.fail_json(msg='simulate must be 0 (hardware) or a number of stand-ins')
    if params['simulate_state'] and params['simulate'] == 0:
        module.fail_json(msg='simulate_state needs simulate')
    args = [executable, '--json']
    if params['simulate']:
        args += ['--simulate', str(params['simulate'])]
    if params['simulate_state']:
        args += ['--simulate-state', params['simulate_state']]
    if selection == 'none':
        return args
    if selection == 'all' or params['all']:
        args.append('--all')
    elif params['device']:
        args += ['--device', params['device']]
    return args


def run(module, args, ok_codes=(EXIT_OK,)):
    """Runs tarvikctl; its JSON document, or fails naming the command and rc."""
    rc, out, err = module.run_command(args, data='')
    document = None
    try:
        document = json.loads(out) if out.strip() else None
    except ValueError:
        pass
    if rc not in ok_codes:
        fail(module, rc, document, err, ' '.join(args[1:]))
    if not isinstance(document, dict):
        module.fail_json(msg='tarvikctl gave no JSON document for: %s' % ' '.join(args[1:]),
                         rc=rc, stderr=err)
    return rc, document


def fail(module, rc, document, err, command):
    """Fails with each failed device and its error from the --all summary,
    or with tarvikctl's own explanation from its error stream."""
    reasons = []
    if isinstance(document, dict):
        for device in document.get('devices') or []:
            if isinstance(device, dict) and device.get('result') in ('failed', 'stopped'):
                reasons.append('%s: %s (exit %s)' % (device.get('device'), device.get('error'),
                                                     device.get('exitCode')))
    if not reasons:
        lines = [line for line in (err or '').splitlines() if line.strip()]
        reasons = lines[-3:] or ['no explanation']
    module.fail_json(msg='tarvikctl %s failed with exit code %d: %s'
                     % (command, rc, '; '.join(reasons)),
                     rc=rc, stderr=err, devices=[])


def per_device(module, document):
    """(selector, output, result) per device: the --all summary's entries,
    or the one document of the device the task names (None: the first)."""
    if not module.params['all']:
        return [(module.params['device'], document, 'ok')]
    return [(entry.get('device'), entry.get('output') or {}, entry.get('result'))
            for entry in document.get('devices') or []]
