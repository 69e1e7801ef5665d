; The viewer's controller: which buttons were pressed, and what they choose.

read_buttons:
    lda buttons
    sta held
    lda #1
    sta JOYPAD1
    lda #0
    sta JOYPAD1
    ldx #8
@bit:
    lda JOYPAD1
    and #%00000011          ; the standard pad, or one on the expansion port
    cmp #1
    rol buttons
    dex
    bne @bit
    rts

; Turns a newly pressed button into another stage or frame. Carry set when the view changed.
follow_buttons:
    lda held
    eor #$FF
    and buttons
    tay                     ; Y: the buttons pressed since the last reading
    and #BUTTON_SELECT
    beq @no_select
    ldx stage
    inx
    cpx #STAGE_COUNT
    bcc @to_stage
    ldx #0
    beq @to_stage
@no_select:
    tya
    and #BUTTON_START
    beq @no_start
    ldx stage
    bne @previous_stage
    ldx #STAGE_COUNT
@previous_stage:
    dex
@to_stage:
    stx stage
    lda #0
    sta frame
    sec
    rts
@no_start:
    tya
    and #BUTTON_RIGHT
    beq @no_right
    ldx stage
    lda frame
    clc
    adc #1
    cmp stage_frames, x
    bcs @unchanged          ; already the last frame
    sta frame
    sec
    rts
@no_right:
    tya
    and #BUTTON_LEFT
    beq @unchanged
    lda frame
    beq @unchanged          ; already frame 0
    dec frame
    sec
    rts
@unchanged:
    clc
    rts
