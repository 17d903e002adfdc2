"""A heavy scene: a chain of Noise layers, each driving the Cutoff of the
one above, optionally under a Circles layer whose Spacing the chain drives
(its Radius stays free for a parameter drag).

Usage: chainscene.py NOISE-LAYERS [circles] > scene.xml
Every layer has the default view; the Circles layer has Radius 1.5 and
Spacing 3.5, every Noise layer Cutoff 0.5.
"""
import sys

VIEW = 'x="0.000000" y="0.000000" zoomx="20.000000" zoomy="20.000000" inverse="0"'
CUTOFF = '<Variable name="Cutoff" MaxValue="1.000000" MinValue="-1.000000" OverrideValue="0.500000"'


def layer(type_id, variables):
    return '<Layer TypeID="%d" %s><Variables>%s</Variables></Layer>' % (type_id, VIEW, variables)


def chain(length):
    # Built from the bottom up, without recursion: the chain may be long.
    scene = layer(0, CUTOFF + " />")
    for _ in range(length - 1):
        scene = layer(0, CUTOFF + ">" + scene + "</Variable>")
    return scene


def main():
    length = int(sys.argv[1])
    top = chain(length)
    if len(sys.argv) > 2 and sys.argv[2] == "circles":
        top = layer(2, '<Variable name="Radius" MaxValue="10.000000" MinValue="0.001000" OverrideValue="1.500000" />'
                       '<Variable name="Spacing" MaxValue="10.000000" MinValue="0.001000" OverrideValue="3.500000">'
                       + top + "</Variable>")
    sys.stdout.write('<?xml version="1.0" ?><Patternlens><Layers>%s</Layers></Patternlens>\n' % top)


if __name__ == "__main__":
    main()
