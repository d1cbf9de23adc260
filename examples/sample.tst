CAP-H EXPORT FILE
EXPORTED=03/01/05 10:12
SOURCE=HARNESS DESIGN STATION 4
[HEADER]
    FAMILY=F-20
    CLIENTFAM=CF-3
    DATE=03/01/05
    CLIENT=C-1
    EXTRA=E
    CLIENTPN=CPN-7
    LEVEL=A
    [PN]
        NAME=PN-501
        DESCRIPTION=MAIN HARNESS
    [ENDPN]
    [PN]
        NAME=PN-502
        DESCRIPTION=DOOR HARNESS
    [ENDPN]
[ENDHEADER]
[CONNECTION]
    [PART=PN-501]
        [WIRE]
            NAME=W1
            COLOR=RED/BLK
            GAUGE=0.35
            LENGTH=420
            CONNECTOR_A=J1
            PIN_A=1
            CONNECTOR_B=P 2
            PIN_B=A
        [ENDWIRE]
        [WIRE]
            NAME=W2
            COLOR=WHT
            GAUGE=0.50
            LENGTH=180
            CONNECTOR_A=J1
            PIN_A=2
            SPLICE_B=S1
        [ENDWIRE]
        [WIRE]
            NAME=W3
            GAUGE=0.50
            LENGTH=175
            CONNECTOR_A=J1
            PIN_A=3
            SPLICE_B=S1
        [ENDWIRE]
        [DIODE]
            NAME=D1
            TYPE=1N4007
            CONNECTOR_A=P 2
            PIN_A=B
            CONNECTOR_B=J1
            PIN_B=3
        [ENDDIODE]
        [WIRE]
            NAME=W4
            COLOR=BLU
            GAUGE=0.35
            LENGTH=600
            CONNECTOR_A=J9
            PIN_A=1
            CONNECTOR_B=J1
            PIN_B=1
        [ENDWIRE]
    [ENDPART]
    [PART=PN-502]
        [WIRE]
            NAME=W10
            COLOR=GRN/YEL
            GAUGE=0.75
            LENGTH=310
            CONNECTOR_A=J1
            PIN_A=2
            SPLICE_B=S7
        [ENDWIRE]
        [WIRE]
            NAME=W11
            COLOR=BRN
            GAUGE=0.75
            LENGTH=295
            CONNECTOR_A=P 2
            PIN_A=A
            SPLICE_B=S7
        [ENDWIRE]
        [DIODE]
            NAME=D2
            TYPE=1N4148
            CONNECTOR_A=J1
            PIN_A=1
            SPLICE_B=S8
        [ENDDIODE]
    [ENDPART]
[ENDCONNECTION]
[CONNECTOR]
    [FIXTURE]
        NAME=J1
        DESCRIPTION=12-WAY BENCH CONNECTOR
        [PINS]
            NAME=1
            NAME=2
            NAME=3
        [ENDPINS]
    [ENDFIXTURE]
    [FIXTURE]
        NAME=P 2
        DESCRIPTION=DOOR PLUG ADAPTER
        [PINS]
            NAME=A
            NAME=B
        [ENDPINS]
    [ENDFIXTURE]
[ENDCONNECTOR]
